// Destructuring patterns with defaults, rests, holes and nesting; spread everywhere.
const obj = { a: 1, b: { c: [1, 2, 3] }, d: undefined as number | undefined };
const { a, b: { c: [first, , third = 3, ...others] }, d = 4, ...rest } = obj;
const [x = 1, [y, z] = [2, 3], { w } = { w: 4 }, ...tail] = [] as any[];
let p: number, q: number;
[p, q] = [q!, p!];
({ a: p, b: q = 5 } = { a: 1 } as any);
[p = 1, ...[q]] = [1, 2];
for (const [k, { v = 0 }] of [["a", { v: 1 }]] as any) {}
for (const { length } of ["ab"]) {}
for ([p, q] of [[1, 2]]) {}
for ({ p, q } of [] as any) {}
function f({ a = 1, b: { c } = { c: 2 } }: any = {}, [d, ...e]: number[] = []) { return a + c + d + e.length; }
const g = ({ a, ...r }: any) => r;
const merged = { ...obj, ...rest, extra: [...tail, ...others] };
Math.max(...[1, 2], ...[3]);
new Array(...[1, 2]);
try { } catch ({ message }) { }
try { } catch ([e1]) { }
merged;
