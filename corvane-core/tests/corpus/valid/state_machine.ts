// An order-processing state machine with discriminated unions and exhaustive switches.
type OrderState =
  | { kind: "pending"; createdAt: string }
  | { kind: "paid"; amount: number; paidAt: string }
  | { kind: "shipped"; trackingId: string }
  | { kind: "cancelled"; reason?: string };

type Event = { type: "pay"; amount: number } | { type: "ship"; trackingId: string } | { type: "cancel"; reason?: string };

function assertNever(x: never): never {
  throw new Error("Unexpected: " + JSON.stringify(x));
}

function transition(state: OrderState, event: Event): OrderState {
  switch (state.kind) {
    case "pending":
      if (event.type === "pay") return { kind: "paid", amount: event.amount, paidAt: "now" };
      if (event.type === "cancel") return { kind: "cancelled", reason: event.reason };
      break;
    case "paid":
      if (event.type === "ship") return { kind: "shipped", trackingId: event.trackingId };
      break;
    case "shipped":
    case "cancelled":
      break;
    default:
      return assertNever(state);
  }
  return state;
}

const events: Event[] = [
  { type: "pay", amount: 42.5 },
  { type: "ship", trackingId: "TRK-001" },
  { type: "cancel" },
];

let state: OrderState = { kind: "pending", createdAt: new Date(0).toISOString?.() ?? "epoch" };
const history: string[] = [];
outer: for (const ev of events) {
  const next = transition(state, ev);
  if (next === state) {
    history.push(`ignored ${ev.type}`);
    continue outer;
  }
  state = next;
  history.push(state.kind);
  if (state.kind === "cancelled") break outer;
}
const label = state.kind === "shipped" ? `shipped with ${state.trackingId}` : state.kind;
({ label, history });
