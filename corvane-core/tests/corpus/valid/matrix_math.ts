// Numeric helpers: matrices, statistics and number formatting in every literal base.
type Matrix = number[][];

const identity = (n: number): Matrix =>
  Array.from({ length: n }, (_, i) => Array.from({ length: n }, (_, j) => (i === j ? 1 : 0)));

function multiply(a: Matrix, b: Matrix): Matrix {
  const rows = a.length, cols = b[0].length, inner = b.length;
  const out: Matrix = [];
  for (let i = 0; i < rows; i++) {
    out[i] = [];
    for (let j = 0; j < cols; j++) {
      let s = 0;
      for (let k = 0; k < inner; k++) s += a[i][k] * b[k][j];
      out[i][j] = s;
    }
  }
  return out;
}

function stats(values: number[]) {
  const n = values.length;
  const mean = values.reduce((a, b) => a + b, 0) / n;
  const variance = values.reduce((a, b) => a + (b - mean) ** 2, 0) / (n - 1 || 1);
  const sorted = [...values].sort((x, y) => x - y);
  const median = n % 2 ? sorted[(n - 1) >> 1] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
  return { mean, std: Math.sqrt(variance), median, min: sorted[0], max: sorted[n - 1] };
}

const masks = [0xff, 0o777, 0b1010_1010, 1_000_000, 1e-3, 2.5e+10, .75, 0.1 + 0.2];
const bits = masks.map((m) => (m | 0) >>> 0 & 0xffff ^ ~m << 2 >> 1);
let acc = 1;
acc **= 2;
acc <<= 3;
acc >>= 1;
acc >>>= 0;
acc %= 7;
const m = multiply(identity(3), [[1, 2, 3], [4, 5, 6], [7, 8, 9]]);
const s = stats(m.flat());
const big = Number.MAX_SAFE_INTEGER / 2 > 1e15 && !(acc < 0) ? "big" : "small";
({ m, s, bits, big });
