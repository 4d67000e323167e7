// irisplit-egl: prints the EGL display the effect chooses under this
// environment (IRISPLIT_EGL_DEVICE, IRISPLIT_REQUIRE_GPU) and exits 0, or
// prints why none suits and exits 3, as irisplit does.
#include "opengl/EglDisplayChoice.h"

#include <iostream>

int main()
{
    try {
        std::cout << irx_egl::Report(irx_egl::ChooseDisplay(irx_egl::ChoiceSettings::FromEnvironment()));
        return 0;
    } catch (const irx_egl::ChoiceError& e) {
        std::cerr << "irisplit-egl: no renderer for the effect: " << e.what() << "\n";
        return 3;
    }
}
