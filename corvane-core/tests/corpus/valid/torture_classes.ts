// Class syntax: fields, modifiers, accessors, static blocks, private names, decorators.
function logged(target: any, key?: any) { return target; }

abstract class Base<T> {
  protected abstract readonly kind: string;
  abstract describe(): string;
  constructor(protected value: T) {}
}

@logged
class Widget extends Base<number> implements Iterable<number> {
  static count = 0;
  static #secret = "s";
  protected readonly kind = "widget";
  declare notEmitted: string;
  optional?: number;
  definite!: string;
  #priv = 1;
  [key: string]: any;
  static { Widget.count = 10; }
  static {}

  constructor(value: number, public readonly name = "x", private tag?: string) {
    super(value);
  }

  @logged
  describe(): string { return `${this.name}:${this.value}`; }
  override toString() { return this.describe(); }
  get size() { return this.#priv; }
  set size(v) { this.#priv = v; }
  static get secret() { return Widget.#secret; }
  async load(@logged id: number): Promise<void> {}
  *[Symbol.iterator]() { yield this.value; }
  async *stream() { yield* [1, 2]; }
  #helper() { return #priv in this; }
  'quoted'() {}
  42() {}
  [`computed${1}`]() {}
  static async method() {}
  get() { return "method named get"; }
  set(v: number) { return v; }
  static() { return "method named static"; }
  async() {}
  declare;
  readonly;
  public;
}

class Overloads {
  m(x: string): string;
  m(x: number): number;
  m(x: any) { return x; }
}

const Anon = class {};
const Named = class Inner extends Widget {};
const w = new Widget(1);
[...w];
