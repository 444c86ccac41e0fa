#!/usr/bin/env bash
# Re-checks the classification of the parser corpus with the reference parsers:
# every file in corvane-core/tests/corpus/valid must be accepted by both, every file in
# corvane-core/tests/corpus/invalid rejected by both. Files whose first line is
# "// oracle: newer-grammar" use syntax newer than the reference parsers (satisfies,
# accessor, using, const type parameters) and are only reported.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
oracle=${ORACLE:-$root/../shared/tools/ts-syntax-oracle}
[ -x "$oracle" ] || oracle=/work/shared/tools/ts-syntax-oracle
status=0
check() {
  local kind=$1 want=$2
  for f in "$root"/corvane-core/tests/corpus/"$kind"/*.ts; do
    verdict=$("$oracle" "$f" | head -1 | sed 's/^.*: //')
    if head -1 "$f" | grep -q '^// oracle: newer-grammar'; then
      echo "note  $kind/$(basename "$f"): newer grammar, reference parsers say '$verdict'"
    elif [ "$verdict" != "$want" ]; then
      echo "FAIL  $kind/$(basename "$f"): expected '$want', reference parsers say '$verdict'"
      "$oracle" "$f" | tail -n +2
      status=1
    fi
  done
}
check valid ok
check invalid error
[ $status = 0 ] && echo "corpus classification agrees with the reference parsers"
exit $status
