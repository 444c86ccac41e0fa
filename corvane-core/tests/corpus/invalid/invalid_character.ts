const a = 1 § 2;
