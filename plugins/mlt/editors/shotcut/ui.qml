// The irisplit filter's controls. The filter speaks pixels, degrees and
// percent, so the controls and the keyframes hold its values unchanged; MLT
// scales Position and Blur for previews rendered smaller.
import QtQuick 2.12
import QtQuick.Controls 2.12
import QtQuick.Layouts 1.12
import Shotcut.Controls 1.0 as Shotcut

Shotcut.KeyframableFilter {
    id: root

    readonly property var numeric: [
        {"property": 'position', "value": 0.5},
        {"property": 'rotation', "value": 0},
        {"property": 'scale', "value": 100},
        {"property": 'blur', "value": 0}
    ]
    readonly property string channels: 'channels'
    readonly property var sliders: [positionSlider, rotationSlider, scaleSlider, blurSlider]
    readonly property var keyframeButtons: [positionKeyframes, rotationKeyframes, scaleKeyframes, blurKeyframes]

    function setControls() {
        var position = getPosition();
        blockUpdate = true;
        channelsCombo.currentIndex = filter.getDouble(channels);
        for (var i = 0; i < numeric.length; i++) {
            sliders[i].value = filter.getDouble(numeric[i].property, position);
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
        updateFilter(numeric[i].property, sliders[i].value, keyframeButtons[i], position);
    }

    function toggleControl(i) {
        enableControls(true);
        toggleKeyframes(keyframeButtons[i].checked, numeric[i].property, sliders[i].value);
    }

    function updateSimpleKeyframes() {
        setControls();
        for (var i = 0; i < numeric.length; i++)
            updateControl(i, null);
    }

    keyframableParameters: numeric.map(function(control) { return control.property; })
    startValues: numeric.map(function(control) { return control.value; })
    middleValues: startValues
    endValues: startValues
    width: 350
    height: 200
    Component.onCompleted: {
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

            parameters: [channels].concat(keyframableParameters)
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
            onActivated: filter.set(channels, currentIndex)
            // The list's items would take "&" for a shortcut mark.
            delegate: ItemDelegate {
                width: channelsCombo.width
                text: modelData.replace('&', '&&')
                highlighted: channelsCombo.highlightedIndex === index
            }
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
            decimals: 2
            suffix: ' px'
            onValueChanged: updateControl(0, getPosition())
        }

        Shotcut.UndoButton {
            onClicked: positionSlider.value = numeric[0].value
        }

        Shotcut.KeyframesButton {
            id: positionKeyframes

            onToggled: toggleControl(0)
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
            decimals: 2
            suffix: qsTr(' °')
            onValueChanged: updateControl(1, getPosition())
        }

        Shotcut.UndoButton {
            onClicked: rotationSlider.value = numeric[1].value
        }

        Shotcut.KeyframesButton {
            id: rotationKeyframes

            onToggled: toggleControl(1)
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
            decimals: 2
            suffix: ' %'
            onValueChanged: updateControl(2, getPosition())
        }

        Shotcut.UndoButton {
            onClicked: scaleSlider.value = numeric[2].value
        }

        Shotcut.KeyframesButton {
            id: scaleKeyframes

            onToggled: toggleControl(2)
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
            decimals: 2
            suffix: ' px'
            onValueChanged: updateControl(3, getPosition())
        }

        Shotcut.UndoButton {
            onClicked: blurSlider.value = numeric[3].value
        }

        Shotcut.KeyframesButton {
            id: blurKeyframes

            onToggled: toggleControl(3)
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
