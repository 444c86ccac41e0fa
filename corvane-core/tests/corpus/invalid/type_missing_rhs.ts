type T = ;
