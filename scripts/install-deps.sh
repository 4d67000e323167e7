#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the tools need.
# Safe to run again: only what is missing is installed. Waits while another
# apt or dpkg run holds the package manager's locks.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libglbinding-dev libegl-dev libegl-mesa0 libgl1-mesa-dri libgl1
  libgtest-dev libgmock-dev valgrind
  libcli11-dev libopenimageio-dev openimageio-tools libpng-dev
  # The frei0r plug-in's header, and the real hosts its tests run it in.
  frei0r-plugins-dev ffmpeg melt
  # The MLT filter's framework headers.
  libmlt-dev
  gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  # Packs the GPU check's bundle.
  xz-utils
  # The manual page, made from the tool's help; the Debian package's check
  # (lintian, which reads the manual page with man).
  help2man lintian
  # A frei0r host of the tests' own that has a GLX context current, on Xvfb.
  libgl-dev libopengl-dev libx11-dev xvfb xauth
  # Syntax checks of the Kdenlive (XML) and Shotcut (QML) descriptions.
  libxml2-utils qtdeclarative5-dev-tools
)

source "$(dirname "$0")/ensure-packages.sh"
ensure_packages "${packages[@]}"
