let a = 1; /* never closed
