// Regular expressions versus division in many contexts.
let a = 10, b = 2, g = 5, i = 1;
let x = a / b / g;
x = a / b / i;
x = (a) / 2 / (b);
x = [a][0] / 2;
x = a++ / 2;
x = a-- / 2;
const r1 = /ab+c/gi;
const r2 = [/x/, /y\/z/, /[/\]]+/];
const r3 = x ? /yes/ : /no/;
const r4 = !/re/.test("re");
const r5 = typeof /re/;
const r6 = (/re/);
const r7 = { key: /re/u };
const r8 = x && /a/.source || /b/.flags;
const r9 = `${/in template/.source}`;
function f() { return /after return/; }
if (/cond/.test("cond")) x /= 2;
x = x /2/ 1;
const r10 = /=/;
const r11 = /=>/g;
const r12 = a /= 2;
const r13 = /[/]/.test("/");
const r14 = /\u{1F600}/u;
const r15 = /(?<year>\d{4})-(?<month>\d{2})/d;
const r16 = "".split(/,/);
const r17 = void /re/;
const r18 = a ? b : /re/;
const r19 = (() => /arrow body/)();
const r20 = {}.toString() / 1;
label: /re/g.exec("x");
x = a
/b/g;
({ r1, r2, r3, x });
