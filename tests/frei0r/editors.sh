#!/usr/bin/env bash
# The Kdenlive and Shotcut descriptions of the frei0r filter. "descriptions":
# both are well-formed and describe exactly the plug-in's parameters, as MLT
# reads them from the plug-in, with its defaults and ranges. "kdenlive" and
# "shotcut": a project as each editor saves it, with keyframes, renders in melt
# frame for frame as the irisplit tool renders the same keyframes.
#   usage: editors.sh descriptions|kdenlive|shotcut
#   environment: IRISPLIT (the tool), FREI0R_DIR (the build's lib/frei0r-1),
#                SAMPLE (an 8-bit PNG), EDITORS (plugins/frei0r/editors)
source "$(dirname "$0")/editor-projects.sh"

# index|name|default|explanation for each parameter, as MLT reads the plug-in
# when the editors list filters: with no context information printed.
plugin_params() {
  melt_query frei0r.irisplit
  if grep "OpenGL Renderer" "$work/log"; then fail "describing printed context information"; fi
  awk '
    function flush() { if (id != "") print id "|" title "|" def "|" desc }
    /^  - identifier:/ { flush(); id = $3; title = def = desc = "" }
    /^    title:/ { sub(/^    title: /, ""); title = $0 }
    /^    default:/ { def = $2 }
    /^    description:/ { sub(/^    description: /, ""); gsub(/"/, ""); desc = $0 }
    END { flush() }' "$work/query"
}

# "A B" from an explanation saying "0 to 1 is A to B <unit>".
range_of() { sed -nE 's/.*0 to 1 is (-?[0-9.e+]+) to (-?[0-9.e+]+) .*/\1 \2/p' <<<"$1"; }

equal() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a - b < 1e-9 && b - a < 1e-9) }'; }

kdenlive_attr() { # index attribute
  xmllint --xpath "string(//parameter[@name='$1']/@$2)" "$EDITORS/kdenlive/frei0r_irisplit.xml"
}

check_kdenlive() { # index name default explanation
  local index=$1 name=$2 default=$3 explanation=$4 file=$EDITORS/kdenlive/frei0r_irisplit.xml what
  what="Kdenlive's $name"
  case "$(kdenlive_attr "$index" type)" in
  list)
    equal "$(kdenlive_attr "$index" default)" "$default" || fail "$what: default is not $default"
    # "0 = Red & Blue, 0.5 = ..." in the plug-in's words, value;value and name,name in Kdenlive's.
    local pairs values names
    pairs=$(sed -E 's/^[^:]*: //; s/, /\n/g' <<<"$explanation")
    values=$(cut -d' ' -f1 <<<"$pairs" | paste -sd';')
    names=$(sed -E 's/^[^ ]+ = //' <<<"$pairs" | paste -sd',')
    [ "$(kdenlive_attr "$index" paramlist)" = "$values" ] || fail "$what: values are not $values"
    [ "$(xmllint --xpath "string(//parameter[@name='$index']/paramlistdisplay)" "$file")" = "$names" ] ||
      fail "$what: choices are not $names"
    ;;
  animated)
    local range
    range=$(range_of "$explanation")
    equal "$(kdenlive_attr "$index" default)" "$default" || fail "$what: default is not $default"
    # Kdenlive shows value times factor, 0 to factor: the span of the effect's range.
    equal "$(kdenlive_attr "$index" factor)" "$(awk -v r="$range" 'BEGIN { split(r, x, " "); print x[2] - x[1] }')" ||
      fail "$what: factor is not the span of $range"
    equal "$(kdenlive_attr "$index" min)" 0 && equal "$(kdenlive_attr "$index" max)" "$(kdenlive_attr "$index" factor)" ||
      fail "$what: does not show the whole range"
    ;;
  hidden)
    # The width Position and Blur are meant for: the project's, so that smaller
    # previews keep the look.
    [ "$name" = "Frame width" ] && [ "$(kdenlive_attr "$index" default)" = "%width/100000" ] ||
      fail "$what: hidden, but not the project's width"
    ;;
  *) fail "$what: neither a list, keyframable nor the project's width" ;;
  esac
  [[ "$(xmllint --xpath "string(//parameter[@name='$index']/name)" "$file")" == "$name"* ]] || fail "$what: another name"
  [ -n "$(xmllint --xpath "string(//parameter[@name='$index']/comment)" "$file")" ] || fail "$what: no explanation"
}

# The numeric controls of Shotcut's ui.qml: index|at0|at1|default.
shotcut_numeric() {
  sed -nE "s/.*\{\"property\": '([0-9]+)', \"at0\": (-?[0-9.]+), \"at1\": (-?[0-9.]+), \"value\": ([0-9.]+)\}.*/\1|\2|\3|\4/p" \
    "$EDITORS/shotcut/ui.qml"
}

case_descriptions() {
  local kdenlive=$EDITORS/kdenlive/frei0r_irisplit.xml meta=$EDITORS/shotcut/meta.qml ui=$EDITORS/shotcut/ui.qml
  xmllint --noout "$kdenlive" || fail "Kdenlive's description is not well-formed"
  QT_SELECT=5 qmllint "$meta" "$ui" || fail "Shotcut's description is not well-formed QML"
  [ "$(xmllint --xpath 'string(/effect/@tag)' "$kdenlive")" = frei0r.irisplit ] || fail "Kdenlive: another tag"
  # Kept for older projects, out of the lists where the MLT filter is the one to pick.
  local title='Irisplit (frei0r, for older projects)'
  [ "$(xmllint --xpath 'string(/effect/name)' "$kdenlive")" = "$title" ] || fail "Kdenlive: another title"
  [ "$(xmllint --xpath 'string(/effect/@type)' "$kdenlive")" = hidden ] || fail "Kdenlive: listed"
  grep -q "isHidden: true" "$meta" || fail "Shotcut: listed"
  # Projects saved with it name it 'irisplit'.
  grep -q "mlt_service: 'frei0r.irisplit'" "$meta" && grep -qF "name: qsTr('$title')" "$meta" &&
    grep -q "objectName: 'irisplit'" "$meta" || fail "Shotcut: not the irisplit filter"

  plugin_params >"$work/params"
  [ -s "$work/params" ] || fail "MLT describes no parameters"
  local index name default explanation numeric=() shotcut
  while IFS='|' read -r index name default explanation; do
    check_kdenlive "$index" "$name" "$default" "$explanation"
    if [ "$name" = "Frame width" ]; then
      grep -qF "readonly property string frameWidth: '$index'" "$ui" &&
        grep -qF "filter.set(frameWidth, profile.width / 100000)" "$ui" || fail "Shotcut: $name is not the project's width"
    elif [ "$(kdenlive_attr "$index" type)" = animated ]; then
      numeric+=("$index")
      shotcut=$(grep "^$index|" <(shotcut_numeric)) || fail "Shotcut: no control for $name"
      [ "$(cut -d'|' -f2-3 <<<"$shotcut" | tr '|' ' ')" = "$(range_of "$explanation")" ] ||
        fail "Shotcut's $name: not the range $(range_of "$explanation")"
      equal "${shotcut##*|}" "$default" || fail "Shotcut's $name: default is not $default"
    fi
  done <"$work/params"
  # Nothing described that the plug-in lacks.
  [ "$(xmllint --xpath '//parameter/@name' "$kdenlive" | grep -oE '[0-9]+' | sort -n)" = "$(cut -d'|' -f1 "$work/params")" ] ||
    fail "Kdenlive: not exactly the plug-in's parameters"
  [ "$(shotcut_numeric | cut -d'|' -f1 | paste -sd' ')" = "${numeric[*]}" ] || fail "Shotcut: other numeric controls"
  local keyed="simpleProperties: ['$(sed "s/ /', '/g" <<<"${numeric[*]}")']"
  grep -qF "$keyed" "$meta" || fail "Shotcut: the keyframes are not ${numeric[*]}"
  [ "$(grep -oE "property: '[0-9]+'" "$meta" | grep -oE '[0-9]+' | paste -sd' ')" = "${numeric[*]}" ] ||
    fail "Shotcut: keyframe parameters are not ${numeric[*]}"
}

# Projects the editors saved (templates: the sample and its size filled in).
# They save keyframes as times; at 25 frames a second, 0.160 s is frame 4.
case_kdenlive() {
  render_project kdenlive-project.xml 1-9 --channels green-blue \
    --position 1:0,5:16,9:-4 --blur 1:2,9:0 --scale 102
}

case_shotcut() {
  render_project shotcut-project.xml 1-9 --rotation 1:0,9:-18 --position 3
}

"case_$1"
