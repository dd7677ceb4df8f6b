# The locales the project depends on, in one place; sourced by install-deps,
# run-example and smoke-test.

# What the regional tests read through newlocale, as name:charset; ru_RU.UTF-8
# is also the one the bundled example is written for.
BRIMSETT_LOCALES=(ru_RU:UTF-8 ru_RU:CP1251 de_DE:UTF-8 en_US:UTF-8 en_GB:UTF-8)

# has_locale ru_RU.UTF-8: whether locale -a lists it (it writes utf8, cp1251).
has_locale() {
  local name=${1%%.*} charset=${1#*.}
  charset=$(echo "$charset" | tr -d '-' | tr 'A-Z' 'a-z')
  locale -a 2>/dev/null | grep -qix "$name.$charset"
}

# The set file holds dates and prices in the user's regional form: the
# example is written for Russian settings, example-c.vsxml for C. Sets LC_ALL
# and BRIMSETT_EXAMPLE accordingly.
choose_example_locale() {
  if has_locale ru_RU.UTF-8; then
    export LC_ALL=ru_RU.UTF-8
    BRIMSETT_EXAMPLE=example.vsxml
  else
    export LC_ALL=C.UTF-8
    BRIMSETT_EXAMPLE=example-c.vsxml
  fi
}
