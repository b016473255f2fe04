# Sourced by the scripts that fetch Debian packages they never install. A private apt list at
# APT_DIR: the system's own suite (plus SUFFIX, e.g. "-backports") at the mirror the system
# already uses, for ARCH, with its own lists, cache and empty dpkg status; it leaves the
# system's apt and dpkg as they are. Sets `apt` (the options for apt-get and apt-cache),
# `mirror` and `codename`, and fetches the lists.
#   private_apt NAME APT_DIR SUFFIX ARCH
private_apt() {
  local name=$1 apt_dir=$2 suffix=$3 arch=$4
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [ -n "$codename" ] || { echo "$name: no VERSION_CODENAME in /etc/os-release" >&2; exit 1; }
  mirror=$(apt-get indextargets --no-release-info --format '$(RELEASE) $(REPO_URI)' 2>/dev/null |
           awk -v suite="$codename" '$1 == suite { print $2; exit }')
  mirror=${mirror:-http://deb.debian.org/debian/}
  local keyring=/usr/share/keyrings/debian-archive-keyring.gpg options="arch=$arch"
  [ -f "$keyring" ] && options="$options signed-by=$keyring"
  rm -rf "$apt_dir"
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/parts"
  echo "deb [$options] $mirror $codename$suffix main" >"$apt_dir/sources.list"
  : >"$apt_dir/status"
  apt=(-q -o DPkg::Lock::Timeout=900
       -o Dir::Etc::SourceList="$apt_dir/sources.list" -o Dir::Etc::SourceParts="$apt_dir/parts"
       -o Dir::Etc::Preferences="$apt_dir/parts/none" -o Dir::Etc::PreferencesParts="$apt_dir/parts"
       -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache"
       -o Dir::State::status="$apt_dir/status"
       -o APT::Architecture="$arch" -o APT::Architectures::="$arch" -o Acquire::Languages=none
       -o APT::Sandbox::User="$(id -un)")
  apt-get "${apt[@]}" update >/dev/null
}
