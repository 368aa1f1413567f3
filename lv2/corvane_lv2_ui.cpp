// The LV2 UI module: the editor as an X11 UI, embedded in the host's window (ui:parent), run by
// the host's idle calls, sized through ui:resize. It reads the plug-in only through port events:
// the control ports' values and the graphs' data on the notify port.
//
// Scale: the host's ui:scaleFactor option (at instantiation, or later through the options
// interface) is the editor's host hint. The user's choice from the editor's menu goes to the
// ui_scale port, whose value the host keeps with the session like any control's and sends back
// as a port event when the UI opens again; the plug-in ignores it. Whenever the scale changes
// the window's size, the host is asked to resize to it.
#include "lv2/corvane_lv2_ports.h"
#include "lv2/corvane_lv2_ui_view.h"

#include "editor/corvaneeditor.h"
#include "gui/cframe.h"
#include "gui/cknob.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

using namespace corvane::lv2;

namespace {

class CorvaneLv2Ui {
public:
    CorvaneLv2Ui(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Touch* touch,
                 LV2_URID_Map* map, const LV2UI_Resize* resize)
        : view_(write, controller, touch), editor_(&view_), write_(write), controller_(controller),
          resize_(resize) {
        editor_.setKnobMode(VSTGUI::kLinearMode);
        editor_.setScaleListener([this](double) {
            writeUserScale();
            resizeHost();
        });
        if (!map) return;
        atomFloat_ = map->map(map->handle, LV2_ATOM__Float);
        scaleFactor_ = map->map(map->handle, LV2_UI__scaleFactor);
        eventTransfer_ = map->map(map->handle, LV2_ATOM__eventTransfer);
        atomObject_ = map->map(map->handle, LV2_ATOM__Object);
        atomDouble_ = map->map(map->handle, LV2_ATOM__Double);
        atomLong_ = map->map(map->handle, LV2_ATOM__Long);
        display_ = map->map(map->handle, kDisplayUri);
        envelope_ = map->map(map->handle, kDisplayEnvelopeUri);
        lfo_ = map->map(map->handle, kDisplayLfoUri);
        ticks_ = map->map(map->handle, kDisplayTicksUri);
    }
    ~CorvaneLv2Ui() { editor_.close(); }

    bool open(void* parent) { return editor_.open(parent); }
    unsigned long window() const {
        return editor_.getFrame() ? editor_.getFrame()->getX11Window() : 0;
    }
    void idle() {
        editor_.idle();
        // A choice that left the window as it was (AUTO at the scale in effect) is not told to
        // the listener, yet must reach the port.
        writeUserScale();
    }

    // Takes the options' ui:scaleFactor as the host's hint. The status names the options that
    // were not ours or not usable; the options end with a zeroed one.
    std::uint32_t setOptions(const LV2_Options_Option* options) {
        std::uint32_t status = LV2_OPTIONS_SUCCESS;
        for (const LV2_Options_Option* o = options; o && (o->key != 0 || o->value); ++o) {
            if (scaleFactor_ == 0 || o->key != scaleFactor_ || o->context != LV2_OPTIONS_INSTANCE) {
                status |= LV2_OPTIONS_ERR_BAD_KEY;
            } else if (o->type != atomFloat_ || o->size != sizeof(float) || !o->value) {
                status |= LV2_OPTIONS_ERR_BAD_VALUE;
            } else {
                float scale;
                std::memcpy(&scale, o->value, sizeof scale);
                editor_.setScale(scale);
            }
        }
        return status;
    }

    // Asks the host to fit its window to the editor's, when the editor's size changed since the
    // last request.
    void resizeHost() {
        const int w = editor_.width(), h = editor_.height();
        if (w == requestedWidth_ && h == requestedHeight_) return;
        requestedWidth_ = w;
        requestedHeight_ = h;
        if (resize_ && resize_->ui_resize) resize_->ui_resize(resize_->handle, w, h);
    }

    void portEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format,
                   const void* buffer) {
        if (!buffer) return;
        if (format == 0 && size == sizeof(float)) {
            float value;
            std::memcpy(&value, buffer, sizeof value);
            if (port == kUiScalePort)
                restoreUserScale(value);
            else
                view_.portValue(port, value);
        } else if (port == kNotifyPort && format != 0 && format == eventTransfer_) {
            readDisplay(static_cast<const LV2_Atom*>(buffer), size);
        }
    }

private:
    // The saved choice from the host: the editor takes it (0 or less: none), and the port is
    // taken to hold what the editor made of it, so it is not written back.
    void restoreUserScale(float value) {
        if (std::isnan(value)) return;
        editor_.setUserScale(value);
        portScale_ = editor_.getUserScale();
        resizeHost();
    }

    void writeUserScale() {
        const double chosen = editor_.getUserScale();
        if (chosen == portScale_) return;
        portScale_ = chosen;
        const auto value = static_cast<float>(chosen);
        if (write_) write_(controller_, kUiScalePort, sizeof value, 0, &value);
    }

    void readDisplay(const LV2_Atom* atom, std::uint32_t size) {
        if (size < sizeof(LV2_Atom) || atom->type != atomObject_ ||
            atom->size + sizeof(LV2_Atom) > size || atom->size < sizeof(LV2_Atom_Object_Body))
            return;
        const auto* object = reinterpret_cast<const LV2_Atom_Object*>(atom);
        if (object->body.otype != display_) return;
        const LV2_Atom *envelope = nullptr, *lfo = nullptr, *ticks = nullptr;
        lv2_atom_object_get(object, envelope_, &envelope, lfo_, &lfo, ticks_, &ticks, 0);
        if (!envelope || !lfo || !ticks || envelope->type != atomDouble_ ||
            lfo->type != atomDouble_ || ticks->type != atomLong_)
            return;
        view_.displayData(reinterpret_cast<const LV2_Atom_Double*>(envelope)->body,
                          reinterpret_cast<const LV2_Atom_Double*>(lfo)->body,
                          reinterpret_cast<const LV2_Atom_Long*>(ticks)->body);
    }

    CorvaneLv2UiView view_;
    CorvaneEditor editor_;
    LV2UI_Write_Function write_;
    LV2UI_Controller controller_;
    const LV2UI_Resize* resize_;
    // The user's choice as the ui_scale port holds it (0: none), and the size last asked of the
    // host (none yet).
    double portScale_ = 0;
    int requestedWidth_ = -1, requestedHeight_ = -1;
    LV2_URID atomFloat_ = 0, scaleFactor_ = 0;
    LV2_URID eventTransfer_ = 0, atomObject_ = 0, atomDouble_ = 0, atomLong_ = 0;
    LV2_URID display_ = 0, envelope_ = 0, lfo_ = 0, ticks_ = 0;
};

const void* feature(const LV2_Feature* const* features, const char* uri) {
    for (int i = 0; features && features[i]; ++i)
        if (features[i]->URI && std::strcmp(features[i]->URI, uri) == 0) return features[i]->data;
    return nullptr;
}

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller,
                         LV2UI_Widget* widget, const LV2_Feature* const* features) {
    if (!pluginUri || std::strcmp(pluginUri, kPluginUri) != 0 || !widget) return nullptr;
    // The editor embeds into the host's window; without one there is nothing to show.
    void* parent = const_cast<void*>(feature(features, LV2_UI__parent));
    if (!parent) return nullptr;
    auto* map = static_cast<LV2_URID_Map*>(const_cast<void*>(feature(features, LV2_URID__map)));
    const auto* touch = static_cast<const LV2UI_Touch*>(feature(features, LV2_UI__touch));
    const auto* resize = static_cast<const LV2UI_Resize*>(feature(features, LV2_UI__resize));

    const auto* options =
        static_cast<const LV2_Options_Option*>(feature(features, LV2_OPTIONS__options));

    auto* ui = new (std::nothrow) CorvaneLv2Ui(write, controller, touch, map, resize);
    if (!ui) return nullptr;
    // The window opens at the host's scale; the options' other entries are not ours to judge.
    if (options) ui->setOptions(options);
    if (!ui->open(parent) || ui->window() == 0) {
        delete ui;
        return nullptr;
    }
    *widget = reinterpret_cast<LV2UI_Widget>(static_cast<std::uintptr_t>(ui->window()));
    ui->resizeHost();
    return ui;
}

void cleanup(LV2UI_Handle handle) {
    delete static_cast<CorvaneLv2Ui*>(handle);
}

void portEvent(LV2UI_Handle handle, std::uint32_t port, std::uint32_t size, std::uint32_t format,
               const void* buffer) {
    if (handle) static_cast<CorvaneLv2Ui*>(handle)->portEvent(port, size, format, buffer);
}

int idle(LV2UI_Handle handle) {
    if (handle) static_cast<CorvaneLv2Ui*>(handle)->idle();
    return 0;
}

const LV2UI_Idle_Interface kIdle = {idle};

// The UI offers no options to read.
std::uint32_t getOptions(LV2_Handle, LV2_Options_Option*) {
    return LV2_OPTIONS_ERR_UNKNOWN;
}

std::uint32_t setOptions(LV2_Handle handle, const LV2_Options_Option* options) {
    if (!handle) return LV2_OPTIONS_ERR_UNKNOWN;
    auto* ui = static_cast<CorvaneLv2Ui*>(handle);
    const std::uint32_t status = ui->setOptions(options);
    ui->resizeHost();
    return status;
}

const LV2_Options_Interface kOptions = {getOptions, setOptions};

const void* extensionData(const char* uri) {
    if (uri && std::strcmp(uri, LV2_UI__idleInterface) == 0) return &kIdle;
    if (uri && std::strcmp(uri, LV2_OPTIONS__interface) == 0) return &kOptions;
    return nullptr;
}

const LV2UI_Descriptor kDescriptor = {kUiUri, instantiate, cleanup, portEvent, extensionData};

} // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(std::uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
