const v = <number>value;
