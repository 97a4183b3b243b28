// Event dispatch through chained callbacks against well-known alternatives:
//  - a click of the input driver (a right click: one event, no focus change, no commit)
//    processed by the engine and delivered through a chain of 1, 4 and 16 links, each
//    link's callback counting the event and passing it on;
//  - the same chains called directly with CallCtrlCallback (the library's part alone);
//  - a direct call of the same callback (the floor);
//  - GObject signal emission (g_signal_emit) of an event signal with the same number of
//    handlers, each counting the event and passing it on (a boolean "handled" result
//    with the usual accumulator, and a specific marshaller as generated ones are).
#include <benchmark/benchmark.h>
#include <glib-object.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "ratios.h"
#include "rtengine.h"
#include "toolbox.h"

// An object with one event signal: (event, y, x) -> handled, stopped by the first
// handler that returns TRUE.
struct BenchSource {
    GObject parent;
};
struct BenchSourceClass {
    GObjectClass parent;
};
G_DEFINE_TYPE(BenchSource, bench_source, G_TYPE_OBJECT)

namespace {

guint eventSignal = 0;

typedef gboolean (*EventHandler)(gpointer instance, gint event, gint y, gint x, gpointer data);

// The marshallers glib-genmarshal would write for BOOLEAN:INT,INT,INT.
void marshalEvent(GClosure *closure, GValue *result, guint, const GValue *params, gpointer,
                  gpointer marshalData) {
    gpointer first = g_value_peek_pointer(params), second = closure->data;
    if (G_CCLOSURE_SWAP_DATA(closure)) std::swap(first, second);
    EventHandler handler = reinterpret_cast<EventHandler>(
        marshalData ? marshalData : reinterpret_cast<GCClosure *>(closure)->callback);
    g_value_set_boolean(result,
                        handler(first, g_value_get_int(params + 1), g_value_get_int(params + 2),
                                g_value_get_int(params + 3), second));
}

void marshalEventV(GClosure *closure, GValue *result, gpointer instance, va_list args,
                   gpointer marshalData, int, GType *) {
    va_list copy;
    va_copy(copy, args);
    gint event = va_arg(copy, gint), y = va_arg(copy, gint), x = va_arg(copy, gint);
    va_end(copy);
    gpointer first = instance, second = closure->data;
    if (G_CCLOSURE_SWAP_DATA(closure)) std::swap(first, second);
    EventHandler handler = reinterpret_cast<EventHandler>(
        marshalData ? marshalData : reinterpret_cast<GCClosure *>(closure)->callback);
    g_value_set_boolean(result, handler(first, event, y, x, second));
}

}  // namespace

static void bench_source_class_init(BenchSourceClass *klass) {
    eventSignal = g_signal_new("event", G_TYPE_FROM_CLASS(klass), G_SIGNAL_RUN_LAST, 0,
                               g_signal_accumulator_true_handled, nullptr, marshalEvent,
                               G_TYPE_BOOLEAN, 3, G_TYPE_INT, G_TYPE_INT, G_TYPE_INT);
    g_signal_set_va_marshaller(eventSignal, G_TYPE_FROM_CLASS(klass), marshalEventV);
}

static void bench_source_init(BenchSource *) {}

namespace {

long eventsSeen = 0;

int countCtrlEvent(int, int, int event, void *, intptr_t, intptr_t) {
    eventsSeen += event;
    return 0;
}

gboolean countSignal(gpointer, gint event, gint, gint, gpointer) {
    eventsSeen += event;
    return FALSE;
}

constexpr int kChainLengths[] = {1, 4, 16};

// One chained control and one signal source per chain length, made once.
struct Fixture {
    int panel = NewPanel(0, "bench", 0, 0, 400, 400);
    int controls[3] = {};
    BenchSource *sources[3] = {};
    Fixture() {
        DisplayPanel(panel);  // hidden panels get no input
        for (int k = 0; k < 3; ++k) {
            controls[k] = NewCtrl(panel, RTE_CTRL_COMMAND_BUTTON, "OK", 10 + 40 * k, 10);
            sources[k] = static_cast<BenchSource *>(g_object_new(bench_source_get_type(), nullptr));
            for (int link = 0; link < kChainLengths[k]; ++link) {
                std::string name = "link" + std::to_string(link);
                ChainCtrlCallback(panel, controls[k], countCtrlEvent, nullptr, name.c_str());
                g_signal_connect(sources[k], "event", G_CALLBACK(countSignal), nullptr);
            }
        }
    }
};

Fixture &fixture() {
    static Fixture *f = new Fixture;
    return *f;
}

// Every workload must reach every callback of its chain; a benchmark that measured less
// would be worthless, so the program stops instead.
void checkDelivery(void (*work)(), int callbacks, const char *what) {
    long before = eventsSeen;
    work();
    if (eventsSeen - before != long(callbacks) * EVENT_RIGHT_CLICK) {
        std::fprintf(stderr, "%s reached %ld callbacks instead of %d\n", what,
                     (eventsSeen - before) / EVENT_RIGHT_CLICK, callbacks);
        std::exit(1);
    }
}

template <int K>
void driverClick() {
    Fixture &f = fixture();
    SimulateCtrlClick(f.panel, f.controls[K], 2);
    ProcessSystemEvents();
}

template <int K>
void callChain() {
    Fixture &f = fixture();
    CallCtrlCallback(f.panel, f.controls[K], EVENT_RIGHT_CLICK, 20, 30, nullptr);
}

template <int K>
void emitSignal() {
    gboolean handled = FALSE;
    g_signal_emit(fixture().sources[K], eventSignal, 0, EVENT_RIGHT_CLICK, 20, 30, &handled);
    benchmark::DoNotOptimize(handled);
}

void directCall() {
    CtrlCallbackFn callback = countCtrlEvent;
    benchmark::DoNotOptimize(callback);
    callback(fixture().panel, fixture().controls[0], EVENT_RIGHT_CLICK, nullptr, 20, 30);
}

template <void (*Work)()>
void run(benchmark::State &state) {
    for (auto _ : state) Work();
    benchmark::DoNotOptimize(eventsSeen);
}
BENCHMARK(run<directCall>)->Name("direct call of the callback");
BENCHMARK(run<driverClick<0>>)->Name("driver click, chain of 1");
BENCHMARK(run<driverClick<1>>)->Name("driver click, chain of 4");
BENCHMARK(run<driverClick<2>>)->Name("driver click, chain of 16");
BENCHMARK(run<callChain<0>>)->Name("CallCtrlCallback, chain of 1");
BENCHMARK(run<callChain<1>>)->Name("CallCtrlCallback, chain of 4");
BENCHMARK(run<callChain<2>>)->Name("CallCtrlCallback, chain of 16");
BENCHMARK(run<emitSignal<0>>)->Name("g_signal_emit, 1 handler");
BENCHMARK(run<emitSignal<1>>)->Name("g_signal_emit, 4 handlers");
BENCHMARK(run<emitSignal<2>>)->Name("g_signal_emit, 16 handlers");

std::vector<bench::Pair> ratioPairs() {
    return {
        {"driver click, chain of 1 / direct call", driverClick<0>, directCall},
        {"driver click, chain of 4 / direct call", driverClick<1>, directCall},
        {"driver click, chain of 16 / direct call", driverClick<2>, directCall},
        {"driver click, chain of 1 / g_signal_emit, 1 handler", driverClick<0>, emitSignal<0>},
        {"driver click, chain of 4 / g_signal_emit, 4 handlers", driverClick<1>, emitSignal<1>},
        {"driver click, chain of 16 / g_signal_emit, 16 handlers", driverClick<2>, emitSignal<2>},
        {"CallCtrlCallback, chain of 1 / g_signal_emit, 1 handler", callChain<0>, emitSignal<0>},
        {"CallCtrlCallback, chain of 4 / g_signal_emit, 4 handlers", callChain<1>, emitSignal<1>},
        {"CallCtrlCallback, chain of 16 / g_signal_emit, 16 handlers", callChain<2>, emitSignal<2>},
    };
}

}  // namespace

int main(int argc, char **argv) {
    checkDelivery(driverClick<0>, 1, "driver click, chain of 1");
    checkDelivery(driverClick<1>, 4, "driver click, chain of 4");
    checkDelivery(driverClick<2>, 16, "driver click, chain of 16");
    checkDelivery(callChain<2>, 16, "CallCtrlCallback, chain of 16");
    checkDelivery(emitSignal<2>, 16, "g_signal_emit, 16 handlers");
    return bench::runAndPrintRatios(argc, argv, ratioPairs());
}
