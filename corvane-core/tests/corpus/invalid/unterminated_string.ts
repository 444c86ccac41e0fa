const s = "hello;
console.log(s);
