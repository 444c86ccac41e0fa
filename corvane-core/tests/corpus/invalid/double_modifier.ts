class A { static static x = 1; }
