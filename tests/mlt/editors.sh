#!/usr/bin/env bash
# The Kdenlive and Shotcut descriptions of the irisplit MLT filter.
# "descriptions": both are well-formed and describe exactly the filter's
# parameters as MLT describes them: Channels a list of its values, the others
# keyframable with the filter's range, default and unit. "kdenlive" and
# "shotcut": a project as each editor saves it, with keyframes, renders in
# melt frame for frame as the irisplit tool renders the same keyframes.
#   usage: editors.sh descriptions|kdenlive|shotcut
#   environment: IRISPLIT (the tool), FREI0R_DIR, SAMPLE (an 8-bit PNG),
#                MLT_REPOSITORY (the build's lib/<multiarch>/mlt-7),
#                EDITORS (plugins/mlt/editors)
source "$(dirname "$0")/../frei0r/editor-projects.sh"

# identifier|minimum|maximum|default|unit of each parameter, as MLT describes the filter.
described() {
  melt -query filter=irisplit >"$work/query" 2>"$work/log" || fail "melt -query: $(cat "$work/log")"
  awk '
    function flush() { if (id != "") print id "|" min "|" max "|" def "|" unit }
    /^  - identifier:/ { flush(); id = $3; min = max = def = unit = "" }
    /^    minimum:/ { min = $2 }
    /^    maximum:/ { max = $2 }
    /^    default:/ { def = $2 }
    /^    unit:/ { unit = $2 }
    END { flush() }' "$work/query"
}

equal() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a - b < 1e-9 && b - a < 1e-9) }'; }

kdenlive_attr() { # parameter attribute
  xmllint --xpath "string(//parameter[@name='$1']/@$2)" "$EDITORS/kdenlive/irisplit.xml"
}

# How each editor writes the unit after a value: Kdenlive's suffix, Shotcut's keyframe name.
declare -A kdenlive_suffix=([pixels]=' px' [degrees]='°' [percent]=' %')
declare -A shotcut_unit=([pixels]='px' [degrees]='°' [percent]='%')

check_kdenlive() { # id min max default unit
  local id=$1 min=$2 max=$3 default=$4 unit=$5 what="Kdenlive's $1"
  equal "$(kdenlive_attr "$id" default)" "$default" || fail "$what: default is not $default"
  if [ -z "$unit" ]; then
    [ "$(kdenlive_attr "$id" type)" = list ] || fail "$what: not a list"
    [ "$(kdenlive_attr "$id" paramlist)" = "$(seq -s';' "$min" "$max")" ] || fail "$what: values are not $min to $max"
  else
    [ "$(kdenlive_attr "$id" type)" = animated ] || fail "$what: not keyframable"
    equal "$(kdenlive_attr "$id" min)" "$min" && equal "$(kdenlive_attr "$id" max)" "$max" ||
      fail "$what: not the range $min to $max"
    [ -z "$(kdenlive_attr "$id" factor)" ] || fail "$what: scaled"
    [ "$(kdenlive_attr "$id" suffix)" = "${kdenlive_suffix[$unit]}" ] || fail "$what: not in $unit"
  fi
}

case_descriptions() {
  local kdenlive=$EDITORS/kdenlive/irisplit.xml meta=$EDITORS/shotcut/meta.qml ui=$EDITORS/shotcut/ui.qml
  xmllint --noout "$kdenlive" || fail "Kdenlive's description is not well-formed"
  QT_SELECT=5 qmllint "$meta" "$ui" || fail "Shotcut's description is not well-formed QML"
  [ "$(xmllint --xpath 'string(/effect/@tag)' "$kdenlive")" = irisplit ] &&
    [ "$(xmllint --xpath 'string(/effect/name)' "$kdenlive")" = Irisplit ] || fail "Kdenlive: not the Irisplit filter"
  [ -z "$(xmllint --xpath 'string(/effect/@type)' "$kdenlive")" ] || fail "Kdenlive: hidden"
  grep -q "mlt_service: 'irisplit'" "$meta" && grep -q "name: qsTr('Irisplit')" "$meta" || fail "Shotcut: not the Irisplit filter"
  if grep -q isHidden "$meta"; then fail "Shotcut: hidden"; fi

  described >"$work/params"
  [ -s "$work/params" ] || fail "MLT describes no parameters"
  local id min max default unit numeric=() keyed
  while IFS='|' read -r id min max default unit; do
    check_kdenlive "$id" "$min" "$max" "$default" "$unit"
    [ -n "$unit" ] || continue
    numeric+=("$id")
    grep -qE "\{\"property\": '$id', \"value\": $default\}" "$ui" || fail "Shotcut's $id: default is not $default"
    # Each keyframe parameter's name carries the unit of its values.
    grep -B1 "property: '$id'" "$meta" | grep -qF "(${shotcut_unit[$unit]})')" || fail "Shotcut's $id keyframes: not in $unit"
  done <"$work/params"
  # Nothing described that the filter lacks.
  [ "$(xmllint --xpath '//parameter/@name' "$kdenlive" | sed -E 's/.*"(.*)"/\1/')" = "$(cut -d'|' -f1 "$work/params")" ] ||
    fail "Kdenlive: not exactly the filter's parameters"
  keyed="simpleProperties: ['$(sed "s/ /', '/g" <<<"${numeric[*]}")']"
  grep -qF "$keyed" "$meta" || fail "Shotcut: the keyframes are not ${numeric[*]}"
  [ "$(grep -oE "property: '[a-z]+'" "$meta" | cut -d"'" -f2 | paste -sd' ')" = "${numeric[*]}" ] ||
    fail "Shotcut: keyframe parameters are not ${numeric[*]}"
  [ "$(grep -oE "\"property\": '[a-z]+'" "$ui" | cut -d"'" -f2 | paste -sd' ')" = "${numeric[*]}" ] ||
    fail "Shotcut: numeric controls are not ${numeric[*]}"
}

# Projects the editors saved. They save keyframes as times; at 25 frames a
# second, 0.160 s is frame 4.
case_kdenlive() {
  render_project editors-kdenlive-project.xml 1-9 --channels green-blue \
    --position 1:0,5:16,9:-4 --blur 1:2,5:2,9:0 --scale 102
}

case_shotcut() {
  render_project editors-shotcut-project.xml 1-9 --channels red-green \
    --position 1:0,5:12,9:-6 --blur 1:3,9:0 --scale 104
}

"case_$1"
