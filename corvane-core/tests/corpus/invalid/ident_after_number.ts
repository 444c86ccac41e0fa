const n = 3in [];
