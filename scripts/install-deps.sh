#!/bin/sh
# Installs every Debian package that building, running and testing qulmo need.
# Safe to run again: packages already present are left alone.
set -e
PKGS="build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
 googletest libgtest-dev libgmock-dev libbenchmark-dev
 libstb-dev libjpeg62-turbo-dev libpng-dev libgif-dev libasound2-dev libflac-dev libmpg123-dev libsystemd-dev
 libvorbis-dev libopusfile-dev
 libwayland-dev libwayland-bin wayland-protocols libx11-dev
 fonts-dejavu-core fonts-urw-base35
 xvfb x11-utils xdotool imagemagick python3-xlib
 weston wayland-utils sway
 alsa-utils libasound2-plugins pulseaudio pulseaudio-utils dbus playerctl
 pipewire pipewire-bin wireplumber mpg123
 sox libsox-fmt-all lame flac eyed3 vorbis-tools opus-tools valgrind
 librsvg2-bin fontconfig dpkg-dev desktop-file-utils mandoc"
# pipewire-alsa is not among them: on Debian 12 it would remove pulseaudio. The PipeWire
# test takes its ALSA plugin out of the package instead (tests/lib/alsa.sh).
# One dpkg-query for the whole list, so a machine that has everything goes on at once.
installed=$(dpkg-query -W -f='${Status} ${Package}\n' $PKGS 2>/dev/null |
  sed -n 's/^install ok installed //p')
missing=""
for p in $PKGS; do
  case " $(echo $installed) " in *" $p "*) ;; *) missing="$missing $p" ;; esac
done
[ -z "$missing" ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq >/dev/null
$SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
