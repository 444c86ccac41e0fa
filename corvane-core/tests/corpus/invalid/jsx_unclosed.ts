const el = <div>text;
