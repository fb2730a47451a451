#include "WindowPinger.h"

#include <algorithm>
#include <chrono>
#include <map>

#ifdef HOZONIX_BENCH_XCB
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <xcb/xcb.h>
#endif

namespace hozonix::bench {

void WindowPinger::Start(uint32_t window, int intervalMs) {
    Stop();
    stop_ = false;
    figures_ = {};
    thread_ = std::thread([this, window, intervalMs] { Work(window, intervalMs); });
}

WindowPinger::Figures WindowPinger::Stop() {
    if (thread_.joinable()) {
        stop_ = true;
        thread_.join();
    }
    return figures_;
}

#ifdef HOZONIX_BENCH_XCB

namespace {

xcb_atom_t InternAtom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    xcb_atom_t atom = XCB_ATOM_NONE;
    if (reply != nullptr)
        atom = reply->atom;
    std::free(reply);
    return atom;
}

} // namespace

void WindowPinger::Work(uint32_t window, int intervalMs) {
    using Clock = std::chrono::steady_clock;
    using std::chrono::duration_cast;
    using std::chrono::microseconds;
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c) != 0) {
        xcb_disconnect(c);
        return;
    }
    xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && screen.rem > 0; ++i)
        xcb_screen_next(&screen);
    const xcb_window_t root = screen.data->root;
    const xcb_atom_t protocols = InternAtom(c, "WM_PROTOCOLS");
    const xcb_atom_t ping = InternAtom(c, "_NET_WM_PING");
    // The window sends its answer to the root window, for those who watch the root's children.
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    figures_.active = true;

    const auto interval = std::chrono::milliseconds(intervalMs);
    std::map<uint32_t, Clock::time_point> waiting; // by the serial carried in the ping
    uint32_t serial = 0;
    auto next = Clock::now();
    auto note = [&](Clock::duration late) {
        const int64_t us = duration_cast<microseconds>(late).count();
        figures_.longestUs = std::max(figures_.longestUs, us);
        if (us > 50000)
            ++figures_.slow;
    };
    auto readAnswers = [&] {
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            if ((e->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
                const auto* m = reinterpret_cast<const xcb_client_message_event_t*>(e);
                if (m->type == protocols && m->format == 32 && m->data.data32[0] == ping &&
                    m->data.data32[2] == window) {
                    if (auto w = waiting.find(m->data.data32[3]); w != waiting.end()) {
                        note(Clock::now() - w->second);
                        ++figures_.answered;
                        waiting.erase(w);
                    }
                }
            }
            std::free(e);
        }
    };
    while (!stop_ && xcb_connection_has_error(c) == 0) {
        const auto now = Clock::now();
        if (now >= next) {
            xcb_client_message_event_t m{};
            m.response_type = XCB_CLIENT_MESSAGE;
            m.format = 32;
            m.window = window;
            m.type = protocols;
            m.data.data32[0] = ping;
            // No server time at hand: the window only echoes it. The serial rides in a spare field.
            m.data.data32[1] = XCB_CURRENT_TIME;
            m.data.data32[2] = window;
            m.data.data32[3] = ++serial;
            xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&m));
            xcb_flush(c);
            waiting[serial] = now;
            ++figures_.sent;
            next = std::max(next + interval, now);
        }
        readAnswers();
        pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
        const auto wait = duration_cast<std::chrono::milliseconds>(next - Clock::now()).count();
        poll(&p, 1, static_cast<int>(std::clamp<int64_t>(wait, 0, intervalMs)));
    }
    readAnswers();
    // An answer still missing counts with its age: a window frozen at the end must not look quick.
    const auto end = Clock::now();
    for (const auto& [s, sent] : waiting)
        note(end - sent);
    xcb_disconnect(c);
}

#else

void WindowPinger::Work(uint32_t, int) {}

#endif

} // namespace hozonix::bench
