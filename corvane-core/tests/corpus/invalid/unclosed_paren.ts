const total = compute(1, 2;
console.log(total);
