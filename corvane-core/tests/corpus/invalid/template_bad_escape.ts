const t = `\unicode`;
