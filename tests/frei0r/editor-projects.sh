# What the editors' cases share, sourced: a project as Kdenlive or Shotcut
# saved it renders in melt as the tool renders the same settings.
#   environment: as common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# The templates are the saved projects with the sample's path and size
# replaced by @SAMPLE@, @WIDTH@ and @HEIGHT@ (@FRAME_WIDTH@: the frei0r
# filter's width parameter).
render_project() { # template(beside the calling script) tool-frames(1-N) tool-options...
  local template=$1 project=$work/$1 frames=$2 width height
  shift 2
  read -r width height < <(sample_size)
  sed -e "s|@SAMPLE@|$SAMPLE|g" -e "s|@WIDTH@|$width|g" -e "s|@HEIGHT@|$height|g" \
    -e "s|@FRAME_WIDTH@|$(frame_width "$width")|g" "$(dirname "$0")/$template" >"$project"
  # Editors render their timeline's zone: the first N frames here.
  melt_raw "$work/got.rgba" real_time=-1 "xml:$project" out=$((${frames#1-} - 1))
  expected "$work/want.rgba" "$frames" "$@"
  same "$work/got.rgba" "$work/want.rgba" "$template"
}
