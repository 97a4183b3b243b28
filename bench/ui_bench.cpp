// The engine's user-interface model against well-known alternatives:
//  - attribute access: GetCtrlAttribute / SetCtrlAttribute of an int attribute against
//    a plain struct field (the floor) and against g_object_get / g_object_set of an int
//    property of a minimal GObject class;
//  - event dispatch: a click through the input driver (pointer move, press and release
//    queued on the thread, one ProcessSystemEvents that hit-tests and delivers the
//    click and the commit to the control's callback) against calling the same callback
//    directly with the same two events (the floor). The callback stops the commit, so
//    no user events pile up.
#include <benchmark/benchmark.h>
#include <glib-object.h>

#include <string>
#include <vector>

#include "ratios.h"
#include "rtengine.h"

// A GObject class with one int property, the usual way to expose a widget attribute.
struct BenchWidget {
    GObject parent;
    int left;
};
struct BenchWidgetClass {
    GObjectClass parent;
};
G_DEFINE_TYPE(BenchWidget, bench_widget, G_TYPE_OBJECT)

namespace {

enum { kPropLeft = 1 };

void widgetSetProperty(GObject *object, guint id, const GValue *value, GParamSpec *spec) {
    if (id == kPropLeft)
        reinterpret_cast<BenchWidget *>(object)->left = g_value_get_int(value);
    else
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
}

void widgetGetProperty(GObject *object, guint id, GValue *value, GParamSpec *spec) {
    if (id == kPropLeft)
        g_value_set_int(value, reinterpret_cast<BenchWidget *>(object)->left);
    else
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec);
}

}  // namespace

static void bench_widget_class_init(BenchWidgetClass *klass) {
    GObjectClass *objectClass = G_OBJECT_CLASS(klass);
    objectClass->set_property = widgetSetProperty;
    objectClass->get_property = widgetGetProperty;
    g_object_class_install_property(
        objectClass, kPropLeft,
        g_param_spec_int("left", "left", "left edge", -32768, 32767, 0, G_PARAM_READWRITE));
}

static void bench_widget_init(BenchWidget *widget) { widget->left = 0; }

namespace {

int clicks = 0;
int onClick(int, int, int event, void *data, intptr_t, intptr_t) {
    ++*static_cast<int *>(data);
    return event == EVENT_COMMIT;
}

// The objects every workload uses, made once.
struct Fixture {
    int panel = NewPanel(0, "bench", 0, 0, 200, 200);
    int control = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "OK", 10, 10);
    bool ready = DisplayPanel(panel) == 0 &&
                 InstallCtrlCallback(panel, control, onClick, &clicks) == 0;
    BenchWidget *widget = static_cast<BenchWidget *>(g_object_new(bench_widget_get_type(), nullptr));
    struct {
        int top, left, width, height;
    } plain{10, 10, 40, 20};
    int next = 0;
};

Fixture &fixture() {
    static Fixture *f = new Fixture;
    return *f;
}

void getAttribute() {
    Fixture &f = fixture();
    int left;
    GetCtrlAttribute(f.panel, f.control, RTE_ATTR_LEFT, &left);
    benchmark::DoNotOptimize(left);
}
void setAttribute() {
    Fixture &f = fixture();
    SetCtrlAttribute(f.panel, f.control, RTE_ATTR_LEFT, ++f.next & 1023);
}
void getField() {
    auto *plain = &fixture().plain;
    benchmark::DoNotOptimize(plain);
    int left = plain->left;
    benchmark::DoNotOptimize(left);
}
void setField() {
    Fixture &f = fixture();
    auto *plain = &f.plain;
    benchmark::DoNotOptimize(plain);
    plain->left = ++f.next & 1023;
    benchmark::ClobberMemory();
}
void getProperty() {
    int left;
    g_object_get(fixture().widget, "left", &left, nullptr);
    benchmark::DoNotOptimize(left);
}
void setProperty() {
    Fixture &f = fixture();
    g_object_set(f.widget, "left", ++f.next & 1023, nullptr);
}

void driverClick() {
    Fixture &f = fixture();
    SimulateCtrlClick(f.panel, f.control, 1);
    ProcessSystemEvents();
}
void directCall() {
    Fixture &f = fixture();
    CtrlCallbackFn callback = onClick;
    benchmark::DoNotOptimize(callback);
    callback(f.panel, f.control, EVENT_LEFT_CLICK, &clicks, 21, 30);
    callback(f.panel, f.control, EVENT_COMMIT, &clicks, 0, 0);
}

template <void (*Work)()>
void run(benchmark::State &state) {
    for (auto _ : state) Work();
}
BENCHMARK(run<getAttribute>)->Name("GetCtrlAttribute");
BENCHMARK(run<getField>)->Name("struct field read");
BENCHMARK(run<getProperty>)->Name("g_object_get");
BENCHMARK(run<setAttribute>)->Name("SetCtrlAttribute");
BENCHMARK(run<setField>)->Name("struct field write");
BENCHMARK(run<setProperty>)->Name("g_object_set");
BENCHMARK(run<driverClick>)->Name("driver click to a callback");
BENCHMARK(run<directCall>)->Name("direct callback calls");

std::vector<bench::Pair> ratioPairs() {
    return {
        {"GetCtrlAttribute (int) / struct field read", getAttribute, getField},
        {"GetCtrlAttribute (int) / g_object_get (int property)", getAttribute, getProperty},
        {"SetCtrlAttribute (int) / struct field write", setAttribute, setField},
        {"SetCtrlAttribute (int) / g_object_set (int property)", setAttribute, setProperty},
        {"driver click, dispatched / direct callback calls", driverClick, directCall},
    };
}

}  // namespace

int main(int argc, char **argv) { return bench::runAndPrintRatios(argc, argv, ratioPairs()); }
