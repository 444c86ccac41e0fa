// Type syntax that is parsed and dropped.
type Primitive = string | number | bigint | boolean | symbol | null | undefined;
type Fn = (a: number, b?: string, ...rest: boolean[]) => void;
type Ctor = new (x: number) => object;
type AbstractCtor = abstract new () => object;
type Cond<T> = T extends string ? "s" : T extends number ? "n" : never;
type Inferred<T> = T extends Promise<infer U> ? U : T;
type InferConstraint<T> = T extends [infer H extends string, ...infer R] ? [H, R] : never;
type Mapped<T> = { readonly [K in keyof T]?: T[K] };
type Minus<T> = { -readonly [K in keyof T]-?: T[K] };
type Plus<T> = { +readonly [K in keyof T]+?: T[K] };
type Renamed<T> = { [K in keyof T as `get${Capitalize<K & string>}`]: () => T[K] };
type Tpl = `prefix-${string}-${number}`;
type Indexed = Array<{ a: number }>[number]["a"];
type Tuple = [name: string, age?: number, ...rest: boolean[]];
type RO = readonly string[];
type Uniq = { readonly sym: unique symbol };
type TypeofQ = typeof Math.max;
type KeyofQ = keyof typeof globalThisLike;
type Imported = import("./mod").Thing<string>;
type Neg = -1 | 1n | "lit" | true;
type ThisT = { self(): this };
type Paren = (string | number)[];
type FnUnion = ((x: number) => void) | (() => string);
type Obj = {
  (x: number): string;
  new (x: string): Obj;
  [key: string]: unknown;
  method<T>(x: T): T;
  readonly prop?: number;
  get acc(): number;
  set acc(v: number);
};
type Generic<T extends object = {}, U = T> = T & U;
interface Shape { area(): number }
interface Sq extends Shape, Iterable<number> { side: number }
declare let globalThisLike: { a: number };
function assertIsDefined<T>(val: T): asserts val is NonNullable<T> {}
function assertsThis(this: Sq): asserts this is Sq {}
function guard(x: unknown): x is string { return typeof x === "string"; }
function ov(x: string): string;
function ov(x: number): number;
function ov(x: any) { return x; }
let v1 = <T,>(x: T) => x;
let v2: Array<Array<number>> = [[1]];
let v3 = v2 as unknown as string[];
let v4 = v2!;
let v5 = [1, 2] as const;
let v7 = ov<string>;
let v8 = ov<string>("x");
let v9!: number;
let v10 = (v2 as any)?.x!.y;
let cmp1 = 1 < 2;
let cmp2 = v9 < (v9 as number) > false;
export {};
