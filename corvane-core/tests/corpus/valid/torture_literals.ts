// Literals: numbers in every base, strings with escapes, templates nested deeply.
const nums = [0, 1, 0.5, .5, 5., 1e3, 1E-3, 1e+3, 0x1f, 0X1F, 0o17, 0O17, 0b11, 0B11,
  1_000, 0xf_f, 0b1_0, 0o1_7, 1_0.0_1, 1e1_0, 017, 08, 09.5, 00];
const bigs = [0n, 10n, 0x1fn, 0o7n, 0b1n, 1_000n];
const strs = ["\n\r\t\b\f\v\0", '\x41\u0042\u{43}\u{1F600}', "\'\"\\", "a\
b", "\101\7\08", "\u2028\u2029", "😀 émoji ünïcödé", ''];
const tpls = [`plain`, `a${1}b`, `${`${`${"deep"}`}`}`, `line1
line2`, `\u{41}\x42\n\``, `$`, `$${1}`, `{}`, `\${not}`];
const tagged = String.raw`\n \0 ${1}`;
const unicodeIdent = { ñame: 1, ünïcode: 2, $dollar: 3, _under: 4, \u0061bc: 5 };
const ℮x = 1;
const ಠ_ಠ = 2;
const keys = { if: 1, class: 2, new: 3, typeof: 4, null: 5, true: 6, 1: 7, "s": 8, [nums[0]]: 9 };
keys.if + keys.class + keys.new;
