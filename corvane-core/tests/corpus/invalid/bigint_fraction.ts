const b = 1.5n;
