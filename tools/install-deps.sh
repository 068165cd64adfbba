#!/usr/bin/env bash
# Installs the Debian packages Kinetta needs to build, run and test.
# Only what is missing is installed, so a second run is quick and offline.
set -euo pipefail

packages=(
  build-essential cmake pkg-config libtsan2
  libbullet-dev libbullet-extras-dev
  qt6-base-dev libqt6opengl6-dev qt6-qpa-plugins fonts-dejavu-core
  libx11-dev libgl-dev libgl1-mesa-dri libglu1-mesa-dev libosmesa6-dev
  libpng-dev libseccomp-dev
  libavcodec-dev libavformat-dev libswscale-dev libavutil-dev ffmpeg poppler-utils
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool x11-apps x11-utils imagemagick openbox
  weston qt6-wayland
  desktop-file-utils appstream lintian man-db groff-base dpkg-dev file
  shared-mime-info libglib2.0-bin
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    SUDO=sudo
  else
    echo "install-deps: missing packages (${missing[*]}); run as root to install them" >&2
    exit 1
  fi
else
  SUDO=
fi

echo "install-deps: installing ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
