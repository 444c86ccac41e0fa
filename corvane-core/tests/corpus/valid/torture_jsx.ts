// JSX elements and fragments in TSX mode.
const name = "world";
const props = { id: "x" };
function Comp(p: any) { return null; }
const e1 = <div className="greeting" data-id={1} aria-hidden>Hello, {name}!</div>;
const e2 = <Comp {...props} key="k" render={() => <span>inner</span>} />;
const e3 = <>
  <h1>Title</h1>
  {[1, 2].map((n) => <li key={n}>{n}</li>)}
  {/* a comment child */}
  {}
</>;
const e4 = <svg:circle xlink:href="#a" r="5" />;
const e5 = <A.B.C prop={<b>nested</b>} str='single' multi="a
b" />;
const e6 = <Comp<string> value="generic" />;
const e7 = cond() ? <a href="/">link</a> : <>{"fragment"}</>;
const e8 = <div>{...children}</div>;
const e9 = <p>text with ' quotes " and entities &amp; &#x41;</p>;
function cond() { return true; }
const children: any[] = [];
