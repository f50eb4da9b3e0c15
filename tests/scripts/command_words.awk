# Reads a shell script as `declare -f` prints it back and prints the first
# word at each command position: line starts, after | || && ; and inside $( ),
# <( ), >( ), braces and parentheses, past keywords, assignments and wrappers
# such as env, nice, xargs and timeout. Quoted text is dropped, except the
# command substitutions inside double quotes.

# The line without its quoted text, each quoted word left as '@'; $( ) inside
# double quotes is kept. A double-quoted text may go on over several lines.
function unquote(s,    out, i, c, two) {
  out = ""
  for (i = 1; i <= length(s); i++) {
    c = substr(s, i, 1); two = substr(s, i, 2)
    if (stack[top] == "dq") {
      if (c == "\\") { i++; continue }
      if (c == "\"") { top--; out = out " "; continue }
      if (two == "${") { while (i <= length(s) && substr(s, i, 1) != "}") i++; continue }
      if (two == "$(") { stack[++top] = "code"; out = out "$("; i++; continue }
      continue
    }
    if (c == "\\") { out = out substr(s, i, 2); i++; continue }
    if (c == "'") { while (++i <= length(s) && substr(s, i, 1) != "'"); out = out "@"; continue }
    if (c == "\"") { stack[++top] = "dq"; out = out "@"; continue }
    if (c == "(") stack[++top] = "code"
    if (c == ")" && top > 0) top--
    out = out c
  }
  return out
}

BEGIN { top = 0; stack[0] = "code" }

heredoc != "" {
  if ($0 ~ "^[[:space:]]*" heredoc "$") heredoc = ""
  next
}
match($0, /<<-?[[:space:]]*["']?[A-Za-z_]+/) {
  heredoc = substr($0, RSTART, RLENGTH)
  gsub(/^<<-?[[:space:]]*["']?/, "", heredoc)
}
{ quoted = stack[top] == "dq"; line = unquote($0) }
quoted || line ~ /^[[:space:]]*[^()]*\)[[:space:]]*$/ { next }  # inside a text; a case pattern
{
  gsub(/\$\{[^}]*\}/, "", line)                   # parameter expansions
  gsub(/\$?\(\([^)]*\)\)/, "", line)              # arithmetic
  gsub(/[A-Za-z_][A-Za-z0-9_]*\+?=\([^)]*\)/, "", line)  # array assignments
  gsub(/\|\||&&|\$\(|<\(|>\(|[|;`({]/, "\n", line)
  n = split(line, parts, "\n")
  prefix = "^(!|then|do|else|elif|if|while|until|time|exec|command|env|xargs( -[^ ]+)*|nice( -n -?[0-9]+)?|timeout( [0-9.]+[smh]?)?|[A-Za-z_][A-Za-z0-9_]*(\\[[^]]*\\])?\\+?=[^ ]*)( +|$)"
  for (i = 1; i <= n; i++) {
    part = parts[i]
    sub(/^[[:space:]]*/, "", part)
    while (match(part, prefix)) part = substr(part, RLENGTH + 1)
    if (match(part, /^\/?[A-Za-z_][A-Za-z0-9_.+\/-]*/)) print substr(part, 1, RLENGTH)
  }
}
