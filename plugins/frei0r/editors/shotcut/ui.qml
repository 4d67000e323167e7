// The irisplit filter's controls. Each frei0r value v (0 to 1) maps linearly
// onto the effect's range: shown = at0 + v * (at1 - at0).
import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Layouts 1.12
import Shotcut.Controls 1.0 as Shotcut

Shotcut.KeyframableFilter {
    id: root

    // property, effect range at 0 and at 1, frei0r default
    readonly property var numeric: [
        {"property": '1', "at0": -2000, "at1": 2000, "value": 0.500125},
        {"property": '2', "at0": -180, "at1": 180, "value": 0.5},
        {"property": '3', "at0": -1000, "at1": 1000, "value": 0.55},
        {"property": '4', "at0": 0, "at1": 1000, "value": 0}
    ]
    readonly property string channels: '0'
    readonly property string frameWidth: '5'
    readonly property var sliders: [positionSlider, rotationSlider, scaleSlider, blurSlider]
    readonly property var keyframeButtons: [positionKeyframes, rotationKeyframes, scaleKeyframes, blurKeyframes]

    function shown(i, value) {
        return numeric[i].at0 + value * (numeric[i].at1 - numeric[i].at0);
    }

    function frei0rValue(i, shownValue) {
        return (shownValue - numeric[i].at0) / (numeric[i].at1 - numeric[i].at0);
    }

    function setControls() {
        var position = getPosition();
        blockUpdate = true;
        channelsCombo.currentIndex = Math.round(filter.getDouble(channels) * 2);
        for (var i = 0; i < numeric.length; i++) {
            sliders[i].value = shown(i, filter.getDouble(numeric[i].property, position));
            keyframeButtons[i].checked = filter.animateIn <= 0 && filter.animateOut <= 0 && filter.keyframeCount(numeric[i].property) > 0;
        }
        blockUpdate = false;
        enableControls(isSimpleKeyframesActive());
    }

    function enableControls(enabled) {
        for (var i = 0; i < sliders.length; i++)
            sliders[i].enabled = enabled;
    }

    function updateControl(i, position) {
        updateFilter(numeric[i].property, frei0rValue(i, sliders[i].value), keyframeButtons[i], position);
    }

    function updateSimpleKeyframes() {
        setControls();
        for (var i = 0; i < numeric.length; i++)
            updateControl(i, null);
    }

    keyframableParameters: ['1', '2', '3', '4']
    startValues: numeric.map(function(control) { return control.value; })
    middleValues: startValues
    endValues: startValues
    width: 350
    height: 200
    Component.onCompleted: {
        // Position and Blur are meant for the project's width, so previews
        // rendered smaller keep the look.
        filter.set(frameWidth, profile.width / 100000);
        if (filter.isNew) {
            filter.set(channels, 0);
            for (var i = 0; i < numeric.length; i++)
                filter.set(numeric[i].property, numeric[i].value);
            filter.savePreset(preset.parameters);
        }
        setControls();
    }

    GridLayout {
        anchors.fill: parent
        anchors.margins: 8
        columns: 4

        Label {
            text: qsTr('Preset')
            Layout.alignment: Qt.AlignRight
        }

        Shotcut.Preset {
            id: preset

            parameters: ['0', '1', '2', '3', '4']
            Layout.columnSpan: 3
            onBeforePresetLoaded: resetSimpleKeyframes()
            onPresetSelected: {
                setControls();
                initializeSimpleKeyframes();
            }
        }

        Label {
            text: qsTr('Channels')
            Layout.alignment: Qt.AlignRight
        }

        Shotcut.ComboBox {
            id: channelsCombo

            Layout.columnSpan: 3
            implicitWidth: 200
            model: [qsTr('Red & Blue'), qsTr('Red & Green'), qsTr('Green & Blue')]
            onActivated: filter.set(channels, currentIndex / 2)
            ToolTip.text: qsTr('The colour pair that moves apart; the third channel stays where it is')
            ToolTip.visible: hovered
        }

        Label {
            text: qsTr('Position')
            Layout.alignment: Qt.AlignRight
            ToolTip.text: qsTr('How far the pair moves apart along both axes, the two channels opposite ways')
            ToolTip.visible: positionArea.containsMouse
            MouseArea { id: positionArea; anchors.fill: parent; hoverEnabled: true }
        }

        Shotcut.SliderSpinner {
            id: positionSlider

            minimumValue: -500
            maximumValue: 500
            stepSize: 0.1
            decimals: 1
            suffix: ' px'
            onValueChanged: updateControl(0, getPosition())
        }

        Shotcut.UndoButton {
            onClicked: positionSlider.value = shown(0, numeric[0].value)
        }

        Shotcut.KeyframesButton {
            id: positionKeyframes

            onToggled: {
                enableControls(true);
                toggleKeyframes(checked, numeric[0].property, frei0rValue(0, positionSlider.value));
            }
        }

        Label {
            text: qsTr('Rotation')
            Layout.alignment: Qt.AlignRight
            ToolTip.text: qsTr('How far the pair turns about the frame centre, the two channels opposite ways')
            ToolTip.visible: rotationArea.containsMouse
            MouseArea { id: rotationArea; anchors.fill: parent; hoverEnabled: true }
        }

        Shotcut.SliderSpinner {
            id: rotationSlider

            minimumValue: -180
            maximumValue: 180
            stepSize: 0.1
            decimals: 1
            suffix: qsTr(' °')
            onValueChanged: updateControl(1, getPosition())
        }

        Shotcut.UndoButton {
            onClicked: rotationSlider.value = shown(1, numeric[1].value)
        }

        Shotcut.KeyframesButton {
            id: rotationKeyframes

            onToggled: {
                enableControls(true);
                toggleKeyframes(checked, numeric[1].property, frei0rValue(1, rotationSlider.value));
            }
        }

        Label {
            text: qsTr('Scale')
            Layout.alignment: Qt.AlignRight
            ToolTip.text: qsTr('Size of one channel of the pair about the frame centre; the other gets the reciprocal')
            ToolTip.visible: scaleArea.containsMouse
            MouseArea { id: scaleArea; anchors.fill: parent; hoverEnabled: true }
        }

        Shotcut.SliderSpinner {
            id: scaleSlider

            minimumValue: -1000
            maximumValue: 1000
            stepSize: 0.1
            decimals: 1
            suffix: ' %'
            onValueChanged: updateControl(2, getPosition())
        }

        Shotcut.UndoButton {
            onClicked: scaleSlider.value = shown(2, numeric[2].value)
        }

        Shotcut.KeyframesButton {
            id: scaleKeyframes

            onToggled: {
                enableControls(true);
                toggleKeyframes(checked, numeric[2].property, frei0rValue(2, scaleSlider.value));
            }
        }

        Label {
            text: qsTr('Blur')
            Layout.alignment: Qt.AlignRight
            ToolTip.text: qsTr('Gaussian blur of the moved pair only')
            ToolTip.visible: blurArea.containsMouse
            MouseArea { id: blurArea; anchors.fill: parent; hoverEnabled: true }
        }

        Shotcut.SliderSpinner {
            id: blurSlider

            minimumValue: 0
            maximumValue: 100
            stepSize: 0.1
            decimals: 1
            suffix: ' px'
            onValueChanged: updateControl(3, getPosition())
        }

        Shotcut.UndoButton {
            onClicked: blurSlider.value = shown(3, numeric[3].value)
        }

        Shotcut.KeyframesButton {
            id: blurKeyframes

            onToggled: {
                enableControls(true);
                toggleKeyframes(checked, numeric[3].property, frei0rValue(3, blurSlider.value));
            }
        }

        Item {
            Layout.fillHeight: true
        }
    }

    Connections {
        function onChanged() {
            setControls();
        }

        function onInChanged() {
            updateSimpleKeyframes();
        }

        function onOutChanged() {
            updateSimpleKeyframes();
        }

        function onAnimateInChanged() {
            updateSimpleKeyframes();
        }

        function onAnimateOutChanged() {
            updateSimpleKeyframes();
        }

        function onPropertyChanged(name) {
            setControls();
        }

        target: filter
    }

    Connections {
        function onPositionChanged() {
            setControls();
        }

        target: producer
    }
}
