// oracle: newer-grammar
// Constructs newer than the reference parsers: satisfies, accessor fields, using
// declarations and const type parameters. The current TypeScript grammar accepts them.
const config = { port: 8080, host: "localhost" } satisfies Record<string, string | number>;
const tuple = [1, 2] as const satisfies readonly number[];
class Store {
  accessor count = 0;
  static accessor shared: string = "s";
  accessor #hidden = 1;
  declare accessor;
}
function openResource() { return { [Symbol.dispose]() {} }; }
{
  using res = openResource();
  await using ares = openResource() as any;
}
const identity = <const T,>(x: T) => x;
function lit<const T extends readonly unknown[]>(x: T): T { return x; }
for (using r of [openResource()]) {}
for (await using r of [openResource()]) {}
({ config, tuple, store: new Store() });
