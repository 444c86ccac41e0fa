let a = ;
