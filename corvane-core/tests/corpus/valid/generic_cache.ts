// A small generic LRU cache plus retry logic around host calls.
interface CacheEntry<V> {
  value: V;
  expiresAt: number;
}

class LruCache<K extends string | number, V> {
  private entries = new Map<K, CacheEntry<V>>();
  constructor(private readonly capacity: number, private readonly ttl = 60_000) {}

  get(key: K, now: number): V | undefined {
    const entry = this.entries.get(key);
    if (!entry) return undefined;
    if (entry.expiresAt <= now) {
      this.entries.delete(key);
      return undefined;
    }
    this.entries.delete(key);
    this.entries.set(key, entry);
    return entry.value;
  }

  set(key: K, value: V, now: number): this {
    if (this.entries.size >= this.capacity) {
      const oldest = this.entries.keys().next().value as K;
      this.entries.delete(oldest);
    }
    this.entries.set(key, { value, expiresAt: now + this.ttl });
    return this;
  }
}

async function withRetry<T>(fn: () => Promise<T>, attempts = 3): Promise<T> {
  let lastError: unknown;
  for (let i = 0; i < attempts; i++) {
    try {
      return await fn();
    } catch (err) {
      lastError = err;
      console.log(`attempt ${i + 1} failed: ${err instanceof Error ? err.message : String(err)}`);
    } finally {
      console.log("attempt finished");
    }
  }
  throw lastError;
}

const cache = new LruCache<string, { id: number; score: number }>(100);
const ids = [3, 1, 4, 1, 5, 9, 2, 6];
let hits = 0;
for (const id of ids) {
  const key = `user:${id}`;
  let record = cache.get(key, 0);
  if (record) {
    hits += 1;
  } else {
    record = await withRetry(() => get_user_score(id));
    cache.set(key, record!, 0);
  }
}
const stats = { hits, misses: ids.length - hits, ratio: hits / ids.length } as const;
stats;
