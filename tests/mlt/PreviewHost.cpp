// Asks MLT for a frame smaller than the profile, as an editor's preview does
// (its consumer has a profile of its own): the producer and the irisplit
// filter keep the project's profile, the frame is requested at another size.
//   usage: mlt_preview_host PROFILE-FILE PRODUCER WIDTH HEIGHT OUT.rgba [property=value...]
#include <framework/mlt.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 6 || !mlt_factory_init(nullptr)) return 2;
    mlt_profile profile = mlt_profile_load_file(argv[1]);
    mlt_producer producer = profile ? mlt_factory_producer(profile, nullptr, argv[2]) : nullptr;
    mlt_filter filter = profile ? mlt_factory_filter(profile, "irisplit", nullptr) : nullptr;
    mlt_frame frame = nullptr;
    int width = std::atoi(argv[3]), height = std::atoi(argv[4]);
    mlt_image_format format = mlt_image_rgba;
    uint8_t* image = nullptr;
    FILE* out = std::fopen(argv[5], "wb");
    bool done = producer && filter && out;
    for (int i = 6; done && i < argc; ++i) mlt_properties_parse(MLT_FILTER_PROPERTIES(filter), argv[i]);
    done = done && !mlt_producer_attach(producer, filter) &&
           !mlt_service_get_frame(MLT_PRODUCER_SERVICE(producer), &frame, 0) &&
           !mlt_frame_get_image(frame, &image, &format, &width, &height, 0) && format == mlt_image_rgba &&
           width == std::atoi(argv[3]) && height == std::atoi(argv[4]) &&
           std::fwrite(image, 4, size_t(width) * height, out) == size_t(width) * height;
    if (out && std::fclose(out)) done = false;
    mlt_frame_close(frame);
    mlt_filter_close(filter);
    mlt_producer_close(producer);
    mlt_profile_close(profile);
    mlt_factory_close();
    if (!done) std::fprintf(stderr, "no %sx%s RGBA frame from %s\n", argv[3], argv[4], argv[2]);
    return done ? 0 : 1;
}
