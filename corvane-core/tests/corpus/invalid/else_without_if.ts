else { f(); }
