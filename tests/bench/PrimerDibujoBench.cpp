// Start to first paint of the window: starts the program on the X display of $DISPLAY (Xvfb,
// black root, no window manager), waits for its first top-level window to be mapped and then for
// the window to hold a drawn picture (no longer one colour), and stops the program.
//
// velqor_bench_primer_dibujo VECES PROGRAMA [ARGUMENTOS...]

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Mediana.h"

namespace {

using Reloj = std::chrono::steady_clock;

struct CierraDisplay {
    void operator()(Display* d) const { XCloseDisplay(d); }
};

// True when the window's picture holds more than one colour.
bool Dibujada(Display* d, Window w) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a) || a.map_state != IsViewable) return false;
    XImage* imagen = XGetImage(d, w, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
    if (imagen == nullptr) return false;
    const unsigned long primero = XGetPixel(imagen, 0, 0);
    bool varios = false;
    for (int y = 0; y < a.height && !varios; y += 2) {
        for (int x = 0; x < a.width && !varios; x += 2) varios = XGetPixel(imagen, x, y) != primero;
    }
    XDestroyImage(imagen);
    return varios;
}

// One run: milliseconds from starting the program to its first painted window.
double UnaCorrida(char** argv) {
    std::unique_ptr<Display, CierraDisplay> d(XOpenDisplay(nullptr));
    if (!d) throw std::runtime_error("cannot open the display");
    XSelectInput(d.get(), DefaultRootWindow(d.get()), SubstructureNotifyMask);
    XSync(d.get(), False);

    const auto inicio = Reloj::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execv(argv[0], argv);
        _exit(127);
    }
    const auto limite = inicio + std::chrono::seconds(30);
    Window ventana = 0;
    double ms = -1;
    while (Reloj::now() < limite) {
        int estado = 0;
        if (waitpid(pid, &estado, WNOHANG) == pid) throw std::runtime_error("the program ended before painting");
        while (XPending(d.get()) > 0) {
            XEvent e;
            XNextEvent(d.get(), &e);
            if (e.type == MapNotify && ventana == 0) ventana = e.xmap.window;
        }
        if (ventana != 0 && Dibujada(d.get(), ventana)) {
            ms = std::chrono::duration<double, std::milli>(Reloj::now() - inicio).count();
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    if (ms < 0) throw std::runtime_error("no painted window within 30 s");
    return ms;
}

}  // namespace

int main(int argc, char** argv) try {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s VECES PROGRAMA [ARGUMENTOS...]\n", argv[0]);
        return 2;
    }
    std::vector<double> muestras;
    for (int i = 0, veces = std::atoi(argv[1]); i < veces; ++i) muestras.push_back(UnaCorrida(argv + 2));
    std::printf("PAINT|%s\n", velqor::bench::Reparte(muestras).Texto().c_str());
    return 0;
} catch (const std::exception& e) {
    std::fprintf(stderr, "velqor_bench_primer_dibujo: %s\n", e.what());
    return 1;
}
