const s = "\u{110000}";
