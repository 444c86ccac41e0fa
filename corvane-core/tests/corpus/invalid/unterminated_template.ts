const t = `value: ${x}
