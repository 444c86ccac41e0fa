const el = <div><span></div></span>;
