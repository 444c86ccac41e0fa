// TypeScript-only declarations and module syntax that the engine later refuses.
declare const dc: number;
declare let dl: string;
declare var dv: boolean;
declare function df(a: number): void;
declare class DC { m(): void; p: number; constructor(x: number); }
declare enum DE { A }
declare const enum DCE { B }
declare namespace DN { const x: number; function f(): void; }
declare module "some-module" { export function g(): void; }
declare module "shorthand";
declare global { interface Array<T> { extra(): T } }
declare abstract class DAC {}
declare type DT = number;
declare interface DI { a: 1 }
enum Color { Red, Green = "g", Blue = 4, "Quoted" = 5 }
const enum Flags { None = 0, A = 1 << 0, B = 1 << 1, AB = A | B }
namespace Outer.Inner { export const value = 1; }
module LegacyModule { export function f() {} }
import fs = require("fs");
import Alias = Outer.Inner;
export import Reexported = Outer.Inner;
import def from "mod";
import * as star from "mod";
import { a, b as bb, type T } from "mod";
import def2, { c } from "mod";
import def3, * as star2 from "mod";
import type { TT } from "mod";
import type DefT from "mod";
import "side-effect";
export const e1 = 1;
export let e2: number;
export function ef() {}
export class EC {}
export default function () {}
export { a as aa, bb };
export { x as y } from "mod";
export * from "mod";
export * as nsx from "mod";
export type { TT };
export interface EI {}
export type ET = number;
export enum EE { A }
export namespace ENS {}
export declare const edc: number;
export abstract class EAC {}
const meta = import.meta;
const dyn = import("./dynamic");
