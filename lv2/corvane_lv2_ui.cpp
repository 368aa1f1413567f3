// The LV2 UI module: the editor as an X11 UI, embedded in the host's window (ui:parent), run by
// the host's idle calls, sized through ui:resize. It reads the plug-in only through port events:
// the control ports' values and the graphs' data on the notify port.
#include "lv2/corvane_lv2_ports.h"
#include "lv2/corvane_lv2_ui_view.h"

#include "editor/corvaneeditor.h"
#include "gui/cframe.h"
#include "gui/cknob.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <cstring>
#include <new>

using namespace corvane::lv2;

namespace {

class CorvaneLv2Ui {
public:
    CorvaneLv2Ui(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Touch* touch,
                 LV2_URID_Map* map)
        : view_(write, controller, touch), editor_(&view_) {
        editor_.setKnobMode(VSTGUI::kLinearMode);
        if (!map) return;
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
    int width() const { return editor_.width(); }
    int height() const { return editor_.height(); }
    void idle() { editor_.idle(); }

    void portEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format,
                   const void* buffer) {
        if (!buffer) return;
        if (format == 0 && size == sizeof(float)) {
            float value;
            std::memcpy(&value, buffer, sizeof value);
            view_.portValue(port, value);
        } else if (port == kNotifyPort && format != 0 && format == eventTransfer_) {
            readDisplay(static_cast<const LV2_Atom*>(buffer), size);
        }
    }

private:
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

    auto* ui = new (std::nothrow) CorvaneLv2Ui(write, controller, touch, map);
    if (!ui) return nullptr;
    if (!ui->open(parent) || ui->window() == 0) {
        delete ui;
        return nullptr;
    }
    *widget = reinterpret_cast<LV2UI_Widget>(static_cast<std::uintptr_t>(ui->window()));
    if (resize && resize->ui_resize) resize->ui_resize(resize->handle, ui->width(), ui->height());
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

const void* extensionData(const char* uri) {
    if (uri && std::strcmp(uri, LV2_UI__idleInterface) == 0) return &kIdle;
    return nullptr;
}

const LV2UI_Descriptor kDescriptor = {kUiUri, instantiate, cleanup, portEvent, extensionData};

} // namespace

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(std::uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
