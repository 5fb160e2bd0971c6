#!/usr/bin/env bash
# The cases of scripts/check-pipes: it reports each line below that ends in
# "# lost" (a reader that may leave before its writer is done), and no other.
set -euo pipefail
lint=$(dirname "$0")/../../scripts/check-pipes
cases=$(mktemp)
trap 'rm -f "$cases"' EXIT

cat >"$cases" <<'EOF'
set -o pipefail
if ! targets | grep -qx -- "$target"; then :; fi # lost
if (cd "$dir" && ctest -N --label-regex x11 | grep -q 'Total Tests: [1-9]'); then :; fi # lost
first=$(ls | head -n 1) # lost
ls | grep --quiet x # lost
ls | grep -m1 x # lost
ls | grep -E --max-count=1 x # lost
ls | grep -Fl x # lost
ls | sed 1q # lost
ls | sed -n '/x/{p;q}' # lost
ls | awk '/x/ { print; exit }' # lost
ls | read -r first # lost
ls |& head # lost
ls | LC_ALL=C grep -qF x # lost
echo "$(ls | grep -q x && echo yes)" # lost
ls | { read -r first; } # lost
ls |
  sort | grep -q x # lost
ls \
  | head -n 2 # lost
out=$(ls)
grep -q x <<<"$out"
ls | grep -c x
ls | grep -E 'a|b' | sort
ls | grep -e -q x
ls | grep -A1 q
ls | tail -n 1
ls | sed -n 's/q/x/p'
ls | sed 's/a/q/'
ls | awk '{ print $1 }'
ls | while read -r line; do :; done
ls | xargs grep -q x
[[ $a == x || $b == y ]]
case $x in a | head) ;; esac
echo 'ls | head' "ls | head -q" $((1 | 2))
# ls | head
cat <<'END'
ls | head
END
cat <<-END
	ls | head
	END
bash -c '
  ls | head
' _
count=$(ls |
  grep -c x)
first=$(ls | # a comment | head
  head -n 1) # lost
case $x in
  head | less) ls | grep -c x ;;
  a | b) ls | head ;; # lost
esac
EOF
expected=$(grep -n '# lost$' "$cases" | cut -d: -f1 | tr '\n' ' ')
status=0
report=$("$lint" "$cases") || status=$?
actual=$(sed -n 's/^[^:]*:\([0-9]*\): .*/\1/p' <<<"$report" | tr '\n' ' ')
if ((status != 1)) || [[ $actual != "$expected" ]]; then
  echo "check-pipes: exit status $status (1 expected); reported lines: $actual; expected: $expected"
  echo "$report"
  exit 1
fi
