# Sourced by the bench scripts: installs the Debian packages named that are not installed yet,
# or, when not root, says which to install and stops the script.
install_missing() {
  local missing=() package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then echo "install first: apt-get install ${missing[*]}" >&2; exit 2; fi
    apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null
  fi
}
