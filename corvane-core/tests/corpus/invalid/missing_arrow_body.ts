const f = () => ;
