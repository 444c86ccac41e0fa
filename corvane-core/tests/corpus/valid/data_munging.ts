// Group, pivot and aggregate tabular rows returned by the host.
interface Row {
  region: string;
  product: string;
  month: number;
  units: number;
  revenue: number;
}

const rows = (await query_sales({ year: 2023 })) as Row[];

const groupBy = <T, K extends PropertyKey>(list: T[], key: (item: T) => K): Record<K, T[]> =>
  list.reduce((acc, item) => {
    const k = key(item);
    (acc[k] ||= []).push(item);
    return acc;
  }, {} as Record<K, T[]>);

const byRegion = groupBy(rows, (r) => r.region);
const pivot: { [region: string]: { [month: number]: number } } = {};
for (const [region, list] of Object.entries(byRegion)) {
  pivot[region] = {};
  for (const { month, revenue } of list) {
    pivot[region][month] = (pivot[region][month] ?? 0) + revenue;
  }
}

const totals = Object.keys(byRegion).map((region) => {
  const list = byRegion[region];
  const units = list.reduce((n, r) => n + r.units, 0);
  const revenue = list.reduce((n, r) => n + r.revenue, 0);
  const avg = units ? revenue / units : 0;
  return { region, units, revenue, avg: Number(avg.toFixed(2)) };
});

totals.sort((a, b) => b.revenue - a.revenue);
const best = totals[0];
const pct = (x: number, total: number): string => `${((x / total) * 100).toFixed(1)}%`;
const grand = totals.reduce((s, t) => s + t.revenue, 0);
const lines = totals.map(({ region, revenue }, i) => `${i + 1}. ${region.padEnd(10)} ${pct(revenue, grand)}`);
console.log(lines.join("\n"));
const summary = { best: best?.region, regions: totals.length, grand, months: [...new Set(rows.map((r) => r.month))] };
summary;
