const v = -2 ** 2;
