#!/usr/bin/env bash
# Installs, with apt-get, every Debian package that building, running and testing Marlit needs,
# and only those that are missing.
set -euo pipefail

packages=(
  # build (msgfmt compiles the catalogues of the texts)
  cmake ninja-build g++ pkg-config gettext
  clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools
  libicu-dev libcli11-dev nlohmann-json3-dev
  libxcb1-dev libx11-dev
  librsvg2-bin
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb openbox xclip x11-utils xdotool imagemagick libxcb-xtest0-dev libxtst-dev valgrind
  # the manual pages, the Debian package (shlibdeps reads the binaries with file) and its checks
  scdoc dpkg-dev file lintian appstream
  # run: the Traditional Chinese UI font and Qt's own zh_TW translation; the C library's own
  # messages (libc-l10n, with locales), which give the reason a file cannot be opened
  fonts-arphic-uming qt6-translations-l10n locales
)

# The C library's messages in Traditional Chinese need the zh_TW.UTF-8 locale generated too; the
# tests of the English texts run under en_US.UTF-8.
locales=(zh_TW en_US)
has_locale() { locale -a 2>/dev/null | grep -qix "$1\.utf-\?8"; }
has_locales() {
  local l
  for l in "${locales[@]}"; do has_locale "$l" || return 1; done
}

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ] && has_locales; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: these packages are missing, or the ${locales[*]} UTF-8 locales, and installing them" \
    "needs root: ${missing[*]}" >&2
  exit 1
fi

if [ ${#missing[@]} -ne 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if ! has_locales; then
  for l in "${locales[@]}"; do
    has_locale "$l" && continue
    echo "install-deps: generating the $l.UTF-8 locale"
    if grep -q "^# *$l\.UTF-8 UTF-8" /etc/locale.gen; then
      sed -i "s/^# *\($l\.UTF-8 UTF-8\)/\1/" /etc/locale.gen
    else
      echo "$l.UTF-8 UTF-8" >>/etc/locale.gen
    fi
  done
  locale-gen --keep-existing
fi
