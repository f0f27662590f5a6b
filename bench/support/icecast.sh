# A local Icecast2 server with mounts fed in real time by ezstream, for the
# radio benchmarks. Sourced; the caller keeps a `pids` array (stopped by its
# cleanup) and a world-readable work folder.
#
#   icecast_start WORK        starts the server on a free loopback port,
#                             waits until it answers; sets icecast_port
#   icecast_mount WORK MOUNT FILE
#                             feeds FILE (an MP3) to /MOUNT, waits until the
#                             mount answers 200

icecast_start() {
  local work=$1 owner=""
  icecast_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
  [ "$(id -u)" = 0 ] &&
    owner="<security><chroot>0</chroot><changeowner><user>nobody</user><group>nogroup</group></changeowner></security>"
  cat > "$work/icecast.xml" <<XML
<icecast><limits><clients>20</clients><sources>2</sources></limits>
<authentication><source-password>kestrel</source-password><admin-user>admin</admin-user>
<admin-password>kestrel</admin-password></authentication><hostname>127.0.0.1</hostname>
<listen-socket><port>$icecast_port</port><bind-address>127.0.0.1</bind-address></listen-socket><fileserve>0</fileserve>
<paths><basedir>$work</basedir><logdir>$work</logdir><webroot>/usr/share/icecast2/web</webroot>
<adminroot>/usr/share/icecast2/admin</adminroot></paths>
<logging><accesslog>access.log</accesslog><errorlog>error.log</errorlog><loglevel>2</loglevel></logging>$owner</icecast>
XML
  chmod 644 "$work/icecast.xml"; chmod 777 "$work"
  icecast2 -c "$work/icecast.xml" >/dev/null 2>&1 & pids+=($!)
  for _ in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$icecast_port/" && break; sleep 0.1; done
}

icecast_mount() {
  local work=$1 mount=$2 file=$3
  cat > "$work/ezstream-$mount.xml" <<XML
<ezstream><servers><server><protocol>HTTP</protocol><hostname>127.0.0.1</hostname><port>$icecast_port</port>
<password>kestrel</password></server></servers><streams><stream><mountpoint>/$mount</mountpoint>
<format>MP3</format></stream></streams><intakes><intake><type>file</type><filename>$file</filename>
</intake></intakes></ezstream>
XML
  chmod 600 "$work/ezstream-$mount.xml"
  ezstream -c "$work/ezstream-$mount.xml" >/dev/null 2>&1 & pids+=($!)
  for _ in $(seq 50); do
    [ "$(curl -s -m 1 -o /dev/null -w '%{http_code}' "http://127.0.0.1:$icecast_port/$mount" || true)" = 200 ] && break
    sleep 0.1
  done
}
