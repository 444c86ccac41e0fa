// Automatic semicolon insertion and restricted productions.
let a = 1
let b = a
++b
const c = a
-b
function f() {
  return
  42
}
function* g() {
  yield
  1
}
let i = 0
do i++; while (i < 3) i
for (;;) { break
}
outer: for (;;) {
  for (;;) {
    continue outer
  }
}
const d = a
;[1, 2].forEach(n => n)
const e = b
;(function () {})()
let t = `x`
const h = () => {}
const k = async () => {}
const l = async
function m() {}
var n = 1, o = 2
n
++
o
try { throw new Error("x") } catch { }
const obj = { a, b, }
const arr = [a, b,]
const tpl = a
`tagged`
if (a) a; else b
class K { x = 1
  y = 2
  static z
  m() {} }
let last = 0
