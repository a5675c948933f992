# Sourced by format.sh and check-format.sh: which clang-format, and which files.
# The formatting is defined by clang-format 14 (Debian 12); other versions break some lines
# differently, so the versioned binary is preferred where both are installed.
clang_format=${CLANG_FORMAT:-$(command -v clang-format-14 || command -v clang-format || true)}
if [ -z "$clang_format" ]; then
  echo "clang-format not found (scripts/install-deps.sh --test installs it)" >&2
  exit 2
fi
case "$("$clang_format" --version)" in
  *" version 14."*) ;;
  *) echo "note: the formatting is defined by clang-format 14; $clang_format is $("$clang_format" --version)" >&2 ;;
esac

# The C++ sources and headers under version control, NUL-separated; outside a git checkout,
# those of the source folders.
cpp_files() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z -- '*.cpp' '*.h'
  else
    find app bench camera docs platform tests widgets windows -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z
  fi
}
