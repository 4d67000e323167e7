// Shotcut's description of the irisplit MLT filter. Keyframes hold the
// filter's own values: pixels, degrees and percent.
import QtQuick 2.0
import org.shotcut.qml 1.0

Metadata {
    type: Metadata.Filter
    // Projects saved with the frei0r filter name it 'irisplit'; this one has its own name.
    objectName: 'irisplitNative'
    name: qsTr('Irisplit')
    keywords: qsTr('chroma rgb split shift rotate scale blur glitch', 'search keywords for the Irisplit video filter') + ' irisplit'
    mlt_service: 'irisplit'
    qml: 'ui.qml'

    keyframes {
        allowAnimateIn: true
        allowAnimateOut: true
        simpleProperties: ['position', 'rotation', 'scale', 'blur']
        parameters: [
            Parameter {
                name: qsTr('Position (px)')
                property: 'position'
                isCurve: true
                minimum: -500
                maximum: 500
            },
            Parameter {
                name: qsTr('Rotation (°)')
                property: 'rotation'
                isCurve: true
                minimum: -180
                maximum: 180
            },
            Parameter {
                name: qsTr('Scale (%)')
                property: 'scale'
                isCurve: true
                minimum: -1000
                maximum: 1000
            },
            Parameter {
                name: qsTr('Blur (px)')
                property: 'blur'
                isCurve: true
                minimum: 0
                maximum: 100
            }
        ]
    }
}
