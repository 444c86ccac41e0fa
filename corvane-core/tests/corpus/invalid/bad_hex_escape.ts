const s = "\xZZ";
