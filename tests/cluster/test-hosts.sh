# Test hosts on this machine, for the multi-host tests (sourced, not run).
#
# hosts_up COUNT FOLDER makes COUNT hosts. Host i (1..COUNT) is a network namespace with one
# end of a veth pair, whose other end stays here; each end has an address of its own in a /30
# of 198.18.0.0/15, the range set aside for testing network equipment. Each host runs Debian's
# OpenSSH server bound to its namespace address only, in a mount namespace of its own where:
#   /root            is FOLDER/host-i/home (so the hosts share no home and no work folder),
#   /usr/local/bin   is FOLDER/host-i/bin  (what is installed on the host),
#   /run             is an empty tmpfs     (the server's privilege separation folder).
# Logins are as root with a key made here; the client side is FOLDER/ssh_config, which names
# only these hosts. Nothing outside FOLDER and the namespaces is changed.
#
# After hosts_up: HOST_ADDRESSES (one address per host), HOST_COUNT, SSH_CONFIG.
# host_bin_folder I       the folder that is /usr/local/bin on host I
# host_stop_ssh I         ends every process of host I (its server and its sessions)
# hosts_down              ends every process the hosts run and removes the namespaces and
#                         veth pairs; safe to call more than once and after a failed hosts_up.
#
# Every wait is bounded: a host that does not answer within 10 s fails hosts_up.

HOST_COUNT=0
HOST_ADDRESSES=()
HOST_NAMESPACES=()
HOST_LINKS=()
HOSTS_FOLDER=
SSH_CONFIG=

hosts_fail() {
  echo "test hosts: $*" >&2
  return 1
}

# hosts_can_run: true when this process may make network namespaces; else says why.
hosts_can_run() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "network namespaces need root (running as $(id -un))"
    return 1
  fi
  local tool
  for tool in ip unshare sshd ssh ssh-keygen parallel rsync; do
    if ! command -v "$tool" >/dev/null 2>&1 && [ ! -x "/usr/sbin/$tool" ]; then
      echo "$tool is not installed (scripts/install-deps.sh installs it)"
      return 1
    fi
  done
  local probe="lumora-probe-$$"
  if ! ip netns add "$probe" 2>/dev/null; then
    echo "ip netns cannot make a network namespace here"
    return 1
  fi
  ip netns delete "$probe"
  return 0
}

# A third octet for this run's addresses that no interface of this machine uses yet; the
# process id spreads parallel runs over the range.
hosts_pick_octet() {
  local tries=0 octet=$(($$ % 250 + 1))
  while [ $tries -lt 250 ]; do
    if ! ip -4 addr show | grep -q "inet 198\.18\.$octet\."; then
      echo "$octet"
      return 0
    fi
    octet=$((octet % 250 + 1))
    tries=$((tries + 1))
  done
  return 1
}

hosts_up() {
  local count=$1
  HOSTS_FOLDER=$2
  SSH_CONFIG=$HOSTS_FOLDER/ssh_config
  mkdir -p "$HOSTS_FOLDER" || return 1
  local sshd
  sshd=$(command -v sshd || echo /usr/sbin/sshd)
  local octet
  octet=$(hosts_pick_octet) || hosts_fail "no free address range in 198.18.0.0/16" || return 1

  ssh-keygen -q -t ed25519 -N '' -C lumora-test-client -f "$HOSTS_FOLDER/client_key" || return 1
  ssh-keygen -q -t ed25519 -N '' -C lumora-test-host -f "$HOSTS_FOLDER/host_key" || return 1
  : >"$HOSTS_FOLDER/known_hosts"
  {
    echo "# Only the test hosts of this run."
    echo "Host *"
    echo "  User root"
    echo "  IdentityFile $HOSTS_FOLDER/client_key"
    echo "  IdentitiesOnly yes"
    echo "  UserKnownHostsFile $HOSTS_FOLDER/known_hosts"
    echo "  StrictHostKeyChecking yes"
    echo "  BatchMode yes"
    echo "  ConnectTimeout 5"
    echo "  ServerAliveInterval 2"
    echo "  ServerAliveCountMax 3"
    echo "  LogLevel ERROR"
    # One connection to each host carries every session, as a cluster's ssh set-up would.
    echo "  ControlMaster auto"
    echo "  ControlPath $HOSTS_FOLDER/mux-%C"
    echo "  ControlPersist 120"
  } >"$SSH_CONFIG"

  local i
  for i in $(seq 1 "$count"); do
    local ns="lumora-h$i-$$" outside="lmo$i-$$" inside="lmi$i-$$"
    local here="198.18.$octet.$((4 * i - 3))" there="198.18.$octet.$((4 * i - 2))"
    local dir=$HOSTS_FOLDER/host-$i
    HOST_NAMESPACES+=("$ns")
    ip netns add "$ns" || return 1
    HOST_LINKS+=("$outside")
    ip link add "$outside" type veth peer name "$inside" || return 1
    ip link set "$inside" netns "$ns" || return 1
    ip addr add "$here/30" dev "$outside" || return 1
    ip link set "$outside" up || return 1
    ip netns exec "$ns" ip addr add "$there/30" dev "$inside" || return 1
    ip netns exec "$ns" ip link set "$inside" up || return 1
    ip netns exec "$ns" ip link set lo up || return 1

    mkdir -p "$dir/home/.ssh" "$dir/bin" || return 1
    chmod 700 "$dir/home" "$dir/home/.ssh"
    cp "$HOSTS_FOLDER/client_key.pub" "$dir/home/.ssh/authorized_keys"
    cat >"$dir/sshd_config" <<EOF
ListenAddress $there:22
HostKey $HOSTS_FOLDER/host_key
AuthorizedKeysFile $dir/home/.ssh/authorized_keys
PermitRootLogin prohibit-password
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
StrictModes no
PidFile none
MaxStartups 100
MaxSessions 100
LogLevel ERROR
EOF
    # The server's view: its own /root, /usr/local/bin and /run.
    ip netns exec "$ns" unshare --mount --propagation private sh -c '
      mount --bind "$1/home" /root && mount --bind "$1/bin" /usr/local/bin &&
        mount -t tmpfs -o mode=755 lumora-run /run && mkdir -m 755 /run/sshd &&
        exec "$2" -D -e -f "$1/sshd_config"' sh "$dir" "$sshd" 2>>"$dir/sshd.log" &
    disown $!
    HOST_ADDRESSES+=("$there")
    echo "$there $(cut -d' ' -f1-2 "$HOSTS_FOLDER/host_key.pub")" >>"$HOSTS_FOLDER/known_hosts"
    HOST_COUNT=$i
  done

  # Each host answers within 10 s (50 tries, 0.2 s apart).
  for i in $(seq 1 "$count"); do
    local tries=0
    until ssh -F "$SSH_CONFIG" "${HOST_ADDRESSES[$((i - 1))]}" true 2>/dev/null; do
      tries=$((tries + 1))
      if [ $tries -ge 50 ]; then
        hosts_fail "host $i (${HOST_ADDRESSES[$((i - 1))]}) does not answer: $(tail -n 3 "$HOSTS_FOLDER/host-$i/sshd.log")"
        return 1
      fi
      sleep 0.2
    done
  done
}

host_bin_folder() {
  echo "$HOSTS_FOLDER/host-$1/bin"
}

# The processes of host I: those whose network namespace is the host's.
host_pids() {
  ip netns pids "${HOST_NAMESPACES[$(($1 - 1))]}" 2>/dev/null
}

# Ends every process of host I by its id, then waits (at most 5 s) until none is left.
host_stop_ssh() {
  local i=$1 round pids
  for round in $(seq 1 50); do
    pids=$(host_pids "$i")
    [ -n "$pids" ] || return 0
    # shellcheck disable=SC2086
    kill -KILL $pids 2>/dev/null
    sleep 0.1
  done
  hosts_fail "host $i still has processes: $(host_pids "$i" | tr '\n' ' ')"
}

hosts_down() {
  local i address
  # The shared connections end first (each ssh -O is bounded by ConnectTimeout).
  for address in "${HOST_ADDRESSES[@]}"; do
    ssh -F "$SSH_CONFIG" -O exit "$address" >/dev/null 2>&1 || true
  done
  for i in $(seq 1 "${#HOST_NAMESPACES[@]}"); do
    host_stop_ssh "$i" || true
  done
  local ns link
  for link in "${HOST_LINKS[@]}"; do
    ip link delete "$link" 2>/dev/null || true
  done
  for ns in "${HOST_NAMESPACES[@]}"; do
    ip netns delete "$ns" 2>/dev/null || true
  done
  HOST_NAMESPACES=()
  HOST_LINKS=()
    HOST_ADDRESSES=()
  HOST_COUNT=0
}
