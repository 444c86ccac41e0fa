const n = 1__000;
