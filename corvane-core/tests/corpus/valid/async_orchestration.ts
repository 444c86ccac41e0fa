// Fan out host calls, collect results with Promise.all, and handle partial failures.
type Result<T> = { ok: true; value: T } | { ok: false; error: string };

async function safe<T>(p: Promise<T>): Promise<Result<T>> {
  try {
    return { ok: true, value: await p };
  } catch (e: any) {
    return { ok: false, error: e?.message ?? String(e) };
  }
}

const cities = ["Oslo", "Lima", "Perth", "Quito"];
const forecasts = await Promise.all(cities.map((city) => safe(get_forecast(city, { days: 3 }))));

const ok = forecasts.filter((r): r is { ok: true; value: any } => r.ok).map((r) => r.value);
const failed = forecasts.flatMap((r, i) => (r.ok ? [] : [`${cities[i]}: ${r.error}`]));

async function* paginate(endpoint: string) {
  let page = 1;
  while (true) {
    const batch: unknown[] = await http_get(`${endpoint}?page=${page}`);
    if (!batch.length) return;
    yield* batch;
    page++;
  }
}

let count = 0;
for await (const entry of paginate("/api/alerts")) {
  if (++count > 50) break;
  console.log(entry);
}

const warmest = ok.reduce<{ city?: string; temp: number }>(
  (best, f) => (f.temp > best.temp ? { city: f.city, temp: f.temp } : best),
  { temp: -Infinity },
);
({ warmest, failed, alerts: count });
