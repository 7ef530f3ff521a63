#include "app/programme.h"

#include <cstring>

#include "app/programme_times.h"
#include "core/data_path.h"
#include "effects/picture_flash_effect.h"
#include "effects/spheres/credits_sphere_effect.h"
#include "effects/spheres/orbit_spheres_effect.h"
#include "effects/title_card_effect.h"
#include "effects/tunnel/tunnel_effect.h"
#include "effects/video/video_effect.h"
#include "media/font_glyphs.h"
#include "media/video_file.h"

namespace {

Effect* addEffect(Programme& programme, std::unique_ptr<Effect> effect)
{
    Effect* e = effect.get();
    programme.owned.push_back(std::move(effect));
    programme.windows.push_back(std::make_unique<TimeWindow>(TimeWindow{e->start, e->end}));
    e->addWindow(programme.windows.back().get());
    programme.effects.add(e);
    return e;
}

void addExtraWindow(Programme& programme, Effect* e, int32_t start, int32_t end)
{
    programme.windows.push_back(std::make_unique<TimeWindow>(TimeWindow{start, end}));
    e->addWindow(programme.windows.back().get());
}

// The one glyph source of the process: the font cache behind it lives as long.
FontGlyphs& systemGlyphs()
{
    static FontGlyphs glyphs;
    return glyphs;
}

}  // namespace

Programme::Programme(GlyphSource& glyphs, const VideoOpener& openVideo)
{
    // The order is part of the programme: effects with equal starts are
    // activated in this order, which decides who draws over whom in a layer.
    // It is also the order in which unusable data files are reported.
    addEffect(*this, std::make_unique<TitleCardEffect>(0, kTitleEndMs, 5, glyphs));
    video_ = addEffect(*this, std::make_unique<VideoEffect>(kTitleEndMs, kVideoEndMs, 4, openVideo));
    // Lies outside the video's span, so the scheduler never reaches it.
    addExtraWindow(*this, video_, kFlashStartMs, kProgrammeEndMs);
    Effect* spheres = addEffect(*this, std::make_unique<OrbitSpheresEffect>(0, kTitleEndMs, 3));
    // A window that ends before it starts: it never contains a time, so it
    // changes nothing; kept because the programme has always carried it.
    addExtraWindow(*this, spheres, 80000, 12000);
    addEffect(*this, std::make_unique<TunnelEffect>(kVideoEndMs, kProgrammeEndMs, 1));
    addEffect(*this, std::make_unique<CreditsSphereEffect>(kCreditsStartMs, kProgrammeEndMs, 2));
    addEffect(*this, std::make_unique<PictureFlashEffect>(kFlashStartMs, kProgrammeEndMs, 3));
    effects.prepare();
}

Programme::~Programme() { closeVideo(); }

void Programme::closeVideo()
{
    if (!video_)
        return;
    effects.remove(video_);
    for (auto& e : owned)
        if (e.get() == video_)
            e.reset();
    video_ = nullptr;
}

void Programme::run(const std::function<bool(int32_t& t)>& next, const std::function<bool()>& shown)
{
    int32_t t = 0;
    while (next(t)) {
        std::memset(frame.framebuffer, 0, sizeof frame.framebuffer);
        effects.renderFrame(frame, t);
        // The counter advances after the frame is drawn and before it is
        // shown; the flash effects have already read it.
        frame.advanceFrameCounter();
        if (!shown())
            return;
    }
}

std::unique_ptr<Programme> openProgramme()
{
    return std::make_unique<Programme>(systemGlyphs(), [](int width, int height) {
        return openVideoFile(dataPath("quarnel.avi"), width, height);
    });
}
