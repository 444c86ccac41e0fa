try { f(); }
