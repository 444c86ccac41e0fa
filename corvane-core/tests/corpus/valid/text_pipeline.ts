// Tokenise documents, compute word frequencies and extract dates with regular expressions.
type Token = { word: string; index: number };

const STOP_WORDS = new Set(["the", "a", "an", "and", "or", "of", "to", "in"]);
const DATE_RE = /\b(\d{4})-(\d{2})-(\d{2})\b/g;

function tokenize(text: string): Token[] {
  const tokens: Token[] = [];
  let index = 0;
  for (const raw of text.split(/[\s,.;:!?()"']+/)) {
    const word = raw.trim().toLowerCase();
    if (!word || STOP_WORDS.has(word)) continue;
    tokens.push({ word, index: index++ });
  }
  return tokens;
}

function frequencies(tokens: readonly Token[]): Map<string, number> {
  const freq = new Map<string, number>();
  tokens.forEach(({ word }) => freq.set(word, (freq.get(word) || 0) + 1));
  return freq;
}

function topN<K, V extends number>(map: Map<K, V>, n: number): Array<[K, V]> {
  return [...map.entries()].sort(([, a], [, b]) => b - a).slice(0, n);
}

function extractDates(text: string): string[] {
  const found: string[] = [];
  let m: RegExpExecArray | null;
  while ((m = DATE_RE.exec(text)) !== null) {
    const [, y, mo, d] = m;
    found.push(`${d}/${mo}/${y}`);
  }
  return found;
}

const docs: string[] = await load_documents("reports/*.txt");
const report = docs.map((doc, i) => {
  const tokens = tokenize(doc);
  const top = topN(frequencies(tokens), 3)
    .map(([w, c]) => `${w}=${c}`)
    .join(", ");
  return { doc: i + 1, words: tokens.length, top, dates: extractDates(doc) };
});

const longest = report.reduce((best, r) => (r.words > best.words ? r : best), report[0]);
console.log(JSON.stringify({ report, longest: longest?.doc }, null, 2));
report.length > 0 ? `${report.length} documents` : "no documents";
