// Summarise an inventory fetched from the host and flag items that need restocking.
interface Item {
  sku: string;
  name: string;
  quantity: number;
  price: number;
  tags?: string[];
  supplier?: { name: string; email?: string } | null;
}

type Summary = {
  totalValue: number;
  lowStock: Item[];
  byTag: Record<string, number>;
};

const LOW_STOCK_THRESHOLD = 5;

class InventoryAnalyzer {
  private readonly items: Item[];
  #cache = new Map<string, number>();
  static instances = 0;

  constructor(items: Item[], private currency: string = "USD") {
    this.items = items.filter((it) => it.quantity >= 0);
    InventoryAnalyzer.instances++;
  }

  get count(): number {
    return this.items.length;
  }

  totalValue(): number {
    return this.items.reduce((sum, { quantity, price }) => sum + quantity * price, 0);
  }

  lowStock(threshold = LOW_STOCK_THRESHOLD): Item[] {
    return this.items
      .filter((item) => item.quantity < threshold)
      .sort((a, b) => a.quantity - b.quantity || a.name.localeCompare(b.name));
  }

  countByTag(): Record<string, number> {
    const out: Record<string, number> = {};
    for (const item of this.items) {
      for (const tag of item.tags ?? []) {
        out[tag] = (out[tag] ?? 0) + 1;
      }
    }
    return out;
  }

  supplierEmail(sku: string): string | undefined {
    const item = this.items.find((i) => i.sku === sku);
    return item?.supplier?.email?.toLowerCase();
  }

  format(value: number): string {
    const cached = this.#cache.get(String(value));
    if (cached !== undefined) return `${cached}`;
    const rounded = Math.round(value * 100) / 100;
    this.#cache.set(String(value), rounded);
    return `${this.currency} ${rounded.toFixed(2)}`;
  }
}

async function main(): Promise<Summary> {
  const raw = await fetch_inventory({ warehouse: "north", includeArchived: false });
  const items: Item[] = Array.isArray(raw) ? raw : JSON.parse(raw as string);
  const analyzer = new InventoryAnalyzer(items);
  const summary: Summary = {
    totalValue: analyzer.totalValue(),
    lowStock: analyzer.lowStock(),
    byTag: analyzer.countByTag(),
  };
  for (const { sku, name, quantity } of summary.lowStock) {
    console.log(`Restock ${name} (${sku}): only ${quantity} left`);
    const email = analyzer.supplierEmail(sku);
    if (email && /^[^@\s]+@[^@\s]+\.[a-z]{2,}$/i.test(email)) {
      await send_email(email, `Please restock ${sku}`);
    }
  }
  console.log(`Total value: ${analyzer.format(summary.totalValue)}`);
  return summary;
}

const result = await main();
result;
