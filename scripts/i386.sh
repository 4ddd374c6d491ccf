# Sourced by the steps that run the Windows program under Wine. no_i386 is true when this machine's
# kernel refuses 32-bit x86 programs: the loader of libc6:i386 cannot even be started (status 126).
# Wine needs it for the i686 program, so there the program is built and checked but not run.
no_i386() {
  local status=0
  /lib/ld-linux.so.2 --version >/dev/null 2>&1 || status=$?
  [ "$status" -eq 126 ]
}
