const m = new Map<string, number();
