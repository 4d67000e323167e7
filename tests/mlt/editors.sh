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

# How each editor writes a unit: Kdenlive's suffix, Shotcut's keyframe name.
declare -A kdenlive_suffix=([pixels]=' px' [degrees]='°' [percent]=' %') shotcut_unit=([pixels]=px [degrees]=° [percent]=%)

case_descriptions() {
  local kdenlive=$EDITORS/kdenlive/irisplit.xml meta=$EDITORS/shotcut/meta.qml ui=$EDITORS/shotcut/ui.qml
  xmllint --noout "$kdenlive" || fail "Kdenlive's description is not well-formed"
  QT_SELECT=5 qmllint "$meta" "$ui" || fail "Shotcut's description is not well-formed QML"
  # The one Irisplit each editor lists.
  [ "$(xmllint --xpath 'concat(/effect/@tag, "|", /effect/@type, "|", /effect/name)' "$kdenlive")" = "irisplit||Irisplit" ] ||
    fail "Kdenlive: not the listed Irisplit filter"
  grep -q "mlt_service: 'irisplit'" "$meta" && grep -q "name: qsTr('Irisplit')" "$meta" && ! grep -q isHidden "$meta" ||
    fail "Shotcut: not the listed Irisplit filter"

  mlt_parameters >"$work/params"
  local id min max default unit got want numeric=()
  while IFS='|' read -r id min max default unit; do
    # type|min|max|default|suffix|factor|values
    got=$(xmllint --xpath "concat(//parameter[@name='$id']/@type, '|', //parameter[@name='$id']/@min, '|',
      //parameter[@name='$id']/@max, '|', //parameter[@name='$id']/@default, '|', //parameter[@name='$id']/@suffix, '|',
      //parameter[@name='$id']/@factor, '|', //parameter[@name='$id']/@paramlist)" "$kdenlive")
    want="list|||$default|||$(seq -s';' "$min" "$max")"
    [ -z "$unit" ] || want="animated|$min|$max|$default|${kdenlive_suffix[$unit]}||"
    [ "$got" = "$want" ] || fail "Kdenlive's $id: $got, not $want"
    [ -n "$unit" ] || continue
    numeric+=("$id")
    grep -qF "{\"property\": '$id', \"value\": $default}" "$ui" || fail "Shotcut's $id: default is not $default"
    grep -B1 "property: '$id'" "$meta" | grep -qF "(${shotcut_unit[$unit]})')" || fail "Shotcut's $id keyframes: not in $unit"
  done <"$work/params"
  # Nothing described that the filter lacks.
  [ "$(xmllint --xpath '//parameter/@name' "$kdenlive" | cut -d'"' -f2)" = "$(cut -d'|' -f1 "$work/params")" ] ||
    fail "Kdenlive: not exactly the filter's parameters"
  grep -qF "simpleProperties: ['$(sed "s/ /', '/g" <<<"${numeric[*]}")']" "$meta" &&
    [ "$(grep -oE "property: '[a-z]+'" "$meta" | cut -d"'" -f2 | paste -sd' ')" = "${numeric[*]}" ] &&
    [ "$(grep -oE "\"property\": '[a-z]+'" "$ui" | cut -d"'" -f2 | paste -sd' ')" = "${numeric[*]}" ] ||
    fail "Shotcut: the keyframes and numeric controls are not ${numeric[*]}"
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
