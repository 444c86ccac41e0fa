const r = /abc;
