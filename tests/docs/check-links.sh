#!/bin/sh
# Every relative link of README.md and docs/*.md leads somewhere: the file or folder it names
# exists (relative to the page), and an #anchor in it is a heading of the page it points to, as
# the usual Markdown renderers name headings (lower case, punctuation dropped, blanks to hyphens,
# "-1", "-2", ... for repeats). Links to other sites (http:, https:, mailto:) are not followed.
# Text in code blocks and code spans is no link.   tests/docs/check-links.sh [REPOSITORY]
set -eu
cd "${1:-$(dirname "$0")/../..}"

# The lines of FILE outside fenced code blocks, code spans removed, each "LINENUMBER<TAB>TEXT".
prose() {
  awk '/^[ \t]*```/ { fence = !fence; next }
    !fence { line = $0; gsub(/`[^`]*`/, "", line); print NR "\t" line }' "$1"
}

# The anchors of the headings of FILE, one a line.
anchors() {
  prose "$1" | cut -f2- | awk '/^#+[ \t]/ {
      text = $0
      sub(/^#+[ \t]+/, "", text); sub(/[ \t]+#*[ \t]*$/, "", text)
      text = tolower(text)
      gsub(/[^a-z0-9 _-]/, "", text)
      gsub(/ /, "-", text)
      if (text in seen) { seen[text]++; print text "-" seen[text] } else { seen[text] = 0; print text }
    }'
}

# The links of FILE, each "LINENUMBER<TAB>TARGET": inline links and pictures, [text](target).
links() {
  prose "$1" | awk -F'\t' '{
      rest = $2
      while (match(rest, /\]\([^) \t]+( +"[^"]*")?\)/)) {
        target = substr(rest, RSTART + 2, RLENGTH - 3)
        sub(/ +".*$/, "", target)
        print $1 "\t" target
        rest = substr(rest, RSTART + RLENGTH)
      }
    }'
}

checked=0
bad=0
for page in README.md docs/*.md; do
  dir=$(dirname "$page")
  tab=$(printf '\t')
  while IFS="$tab" read -r number target; do
    case "$target" in http:* | https:* | mailto:*) continue ;; esac
    checked=$((checked + 1))
    file=${target%%#*}
    anchor=
    case "$target" in *"#"*) anchor=${target#*#} ;; esac
    if [ -z "$file" ]; then
      path=$page
    else
      path=$dir/$file
    fi
    if [ ! -e "$path" ]; then
      echo "$page:$number: $target: no file $path" >&2
      bad=$((bad + 1))
    elif [ -n "$anchor" ] && ! anchors "$path" | grep -qxF -e "$anchor"; then
      echo "$page:$number: $target: $path has no heading #$anchor" >&2
      bad=$((bad + 1))
    fi
  done <<LINKS
$(links "$page")
LINKS
done
if [ "$bad" -gt 0 ]; then
  echo "check-links: $bad of $checked links lead nowhere" >&2
  exit 1
fi
echo "check-links: $checked links of README.md and docs/*.md lead to existing files and headings"
