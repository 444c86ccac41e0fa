// Every statement form, labels, switch fallthrough, loops, and sloppy-mode names.
var v = 1;
let l = 2;
const k = 3;
{ let scoped = 4; }
;;;
if (v) l++; else if (l) l--; else { k; }
while (false) {}
do {} while (false);
for (;;) break;
for (let i = 0; i < 3; i++) continue;
for (var j in { a: 1 }) {}
for (const key in { a: 1 }) {}
for (const item of [1]) {}
lbl: { break lbl; }
a: for (;;) { b: for (;;) { continue a; } }
switch (v) {
  case 1:
  case 2: { break; }
  default:
    l = 0;
  case 3:
}
try { throw 1; } catch (e) { } finally { }
try { } catch { }
try { } finally { }
function decl() { "use strict"; return new.target; }
async function asyncDecl() { await null; }
function* genDecl() { const x = yield; yield* [x]; }
async function* asyncGen() { for await (const x of genDecl()) yield x; }
class Decl {}
if (v) function annexB() {}
with (Math) { max(1, 2); }
debugger;
asyncDecl();
let let_ = 1, await_ = 2, yield_ = 3, async_ = 4, of = 5, get = 6, set = 7, type = 8;
let async = 1, yield = 2, as = 3, satisfies = 4, declare = 5, namespace = 6, module = 7;
async = yield + as + satisfies + declare + namespace + module;
var let;
let = 1;
type = of;
