# Sourced by scripts/release.sh: Authenticode signatures (SHA-256) with
# osslsigncode, from a code-signing certificate given as a PFX file and a file
# holding its password:
#
#   OSTRIVEL_SIGN_PFX              the PFX (PKCS#12) file; unset: no signing
#   OSTRIVEL_SIGN_PASSWORD_FILE    a file whose first line is its password
#   OSTRIVEL_SIGN_TIMESTAMP_URL    an RFC 3161 time-stamp server (optional)
#
# The password goes to openssl and osslsigncode as the file's name, never on
# a command line or into a log, and nothing of the certificate is copied.

codesign_enabled() { [[ -n "${OSTRIVEL_SIGN_PFX:-}" ]]; }

codesign_fail() { echo "release.sh: cannot sign: $*" >&2; return 1; }

# openssl's pkcs12 on the PFX with its password; a PFX exported by older
# Windows (RC2, 3DES) opens only with OpenSSL 3's legacy provider.
codesign_pkcs12() {
  openssl pkcs12 -in "$OSTRIVEL_SIGN_PFX" -passin "file:$OSTRIVEL_SIGN_PASSWORD_FILE" "$@" 2>"$codesign_errors" ||
    openssl pkcs12 -legacy -in "$OSTRIVEL_SIGN_PFX" -passin "file:$OSTRIVEL_SIGN_PASSWORD_FILE" "$@" 2>>"$codesign_errors"
}

# Everything that can be known before the first signature: the files, the
# password, a private key, and a certificate valid now. Fails with the reason.
codesign_check() {
  local pfx=$OSTRIVEL_SIGN_PFX pass=${OSTRIVEL_SIGN_PASSWORD_FILE:-}
  [[ -f "$pfx" && -r "$pfx" ]] || codesign_fail "OSTRIVEL_SIGN_PFX: no readable file $pfx" || return 1
  [[ -n "$pass" ]] || codesign_fail "OSTRIVEL_SIGN_PASSWORD_FILE is not set (the file holding the PFX password)" || return 1
  [[ -f "$pass" && -r "$pass" ]] || codesign_fail "OSTRIVEL_SIGN_PASSWORD_FILE: no readable file $pass" || return 1
  command -v osslsigncode >/dev/null || codesign_fail "osslsigncode is not installed" || return 1

  codesign_errors=$(mktemp)
  local cert rc=0
  if ! cert=$(codesign_pkcs12 -nokeys -clcerts) || [[ -z "$cert" ]]; then
    codesign_fail "cannot open $pfx: wrong password, or not a PFX file ($(grep -m1 -v '^$' "$codesign_errors"))"
    rc=1
  elif ! codesign_pkcs12 -nocerts -nodes | grep -q "PRIVATE KEY"; then
    codesign_fail "$pfx holds no private key"
    rc=1
  elif ! openssl x509 -noout -checkend 0 <<<"$cert" >/dev/null; then
    codesign_fail "the certificate in $pfx has expired ($(openssl x509 -noout -enddate <<<"$cert"))"
    rc=1
  else
    local from
    from=$(openssl x509 -noout -startdate <<<"$cert" | sed 's/^notBefore=//')
    if (($(date -d "$from" +%s) > $(date +%s))); then
      codesign_fail "the certificate in $pfx is not valid before $from"
      rc=1
    fi
  fi
  rm -f "$codesign_errors"
  return $rc
}

# Signs `in` into `out` (SHA-256, the time stamp when a server is given).
# An exe must give back its unsigned bytes once the signature is taken off:
# anyone can then compare it with their own build.
codesign_file() {
  local in=$1 out=$2 log
  log=$(mktemp)
  local args=(sign -pkcs12 "$OSTRIVEL_SIGN_PFX" -readpass "$OSTRIVEL_SIGN_PASSWORD_FILE" -h sha256 -n Ostrivel)
  if [[ -n "${OSTRIVEL_SIGN_TIMESTAMP_URL:-}" ]]; then args+=(-ts "$OSTRIVEL_SIGN_TIMESTAMP_URL"); fi
  if ! timeout 300 osslsigncode "${args[@]}" -in "$in" -out "$out" >"$log" 2>&1; then
    local why="osslsigncode failed"
    if [[ -n "${OSTRIVEL_SIGN_TIMESTAMP_URL:-}" ]] && grep -qiE 'timestamp|curl|connect|resolve' "$log"; then
      why="the time-stamp server $OSTRIVEL_SIGN_TIMESTAMP_URL did not answer"
    fi
    codesign_fail "$(basename "$in"): $why: $(grep -v '^$' "$log" | tail -n 3 | tr '\n' ' ')"
    rm -f "$log" "$out"
    return 1
  fi
  if [[ "$in" == *.exe ]]; then
    if ! osslsigncode remove-signature -in "$out" -out "$log.unsigned" >/dev/null 2>&1 || ! cmp -s "$in" "$log.unsigned"; then
      codesign_fail "$(basename "$in"): the signed exe does not give back the unsigned one without its signature"
      rm -f "$log" "$log.unsigned" "$out"
      return 1
    fi
  fi
  rm -f "$log" "$log.unsigned"
}
