const class = 1;
