// Shotcut's description of the irisplit frei0r filter, kept for projects saved
// with it and hidden from the list, where the MLT filter irisplit takes its
// place. Parameters are named by index, as Shotcut names every frei0r
// parameter; MLT takes an index over a name. Keyframes hold frei0r values (0 to
// 1); ui.qml shows them in pixels, degrees and percent.
import QtQuick 2.0
import org.shotcut.qml 1.0

Metadata {
    type: Metadata.Filter
    objectName: 'irisplit'
    name: qsTr('Irisplit (frei0r, for older projects)')
    keywords: qsTr('chroma rgb split shift rotate scale blur glitch', 'search keywords for the Irisplit video filter') + ' irisplit'
    mlt_service: 'frei0r.irisplit'
    qml: 'ui.qml'
    isHidden: true

    keyframes {
        allowAnimateIn: true
        allowAnimateOut: true
        simpleProperties: ['1', '2', '3', '4']
        parameters: [
            Parameter {
                name: qsTr('Position')
                property: '1'
                isCurve: true
                minimum: 0
                maximum: 1
            },
            Parameter {
                name: qsTr('Rotation')
                property: '2'
                isCurve: true
                minimum: 0
                maximum: 1
            },
            Parameter {
                name: qsTr('Scale')
                property: '3'
                isCurve: true
                minimum: 0
                maximum: 1
            },
            Parameter {
                name: qsTr('Blur')
                property: '4'
                isCurve: true
                minimum: 0
                maximum: 1
            }
        ]
    }
}
