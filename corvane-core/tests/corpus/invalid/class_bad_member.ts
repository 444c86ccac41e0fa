class A { 1 + 2; }
