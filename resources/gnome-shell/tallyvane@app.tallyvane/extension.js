/* Tells TallyVane which window is in front: on every focus change, the window's process id and
 * the app the shell matched it to, as app.tallyvane.Focus.WindowActivated(u pid, s appId) to
 * TallyVane on the session bus. pid 0 and "" mean nothing is in front (the desktop, or the
 * last window closed). TallyVane trusts these reports only because they come from the bus
 * name that owns org.gnome.Shell, so they are sent on the shell's own connection.
 *
 * Nothing is sent while TallyVane is not running; when it appears, it is told the window in
 * front now, so it never has to guess. TallyVane takes its bus name before its receiver is
 * ready, so a report it could not take is sent again (the window in front then) a few times,
 * a second apart. GNOME Shell 43–44 (legacy init/enable/disable). */
'use strict';

const { Gio, GLib, Shell } = imports.gi;

const SERVICE = 'app.tallyvane.TallyVane';
const PATH = '/app/tallyvane/Focus';
const INTERFACE = 'app.tallyvane.Focus';
const RETRIES = 15;
const RETRY_MS = 1000;

class FocusReporter {
    enable() {
        this._tracker = Shell.WindowTracker.get_default();
        this._present = false;
        this._retryId = 0;
        this._retries = 0;
        this._focusId = global.display.connect('notify::focus-window', () => this._report());
        this._watchId = Gio.bus_watch_name(Gio.BusType.SESSION, SERVICE,
            Gio.BusNameWatcherFlags.NONE,
            () => {
                this._present = true;
                this._retries = RETRIES;
                this._report();
            },
            () => {
                this._present = false;
            });
    }

    disable() {
        if (this._focusId) {
            global.display.disconnect(this._focusId);
            this._focusId = 0;
        }
        if (this._watchId) {
            Gio.bus_unwatch_name(this._watchId);
            this._watchId = 0;
        }
        this._cancelRetry();
        // Without us TallyVane cannot know who is in front any more; it must not keep the
        // last app it was told of.
        if (this._present)
            this._send(0, '');
        this._present = false;
        this._tracker = null;
    }

    _cancelRetry() {
        if (this._retryId) {
            GLib.source_remove(this._retryId);
            this._retryId = 0;
        }
    }

    _report() {
        this._cancelRetry();
        if (!this._present)
            return;
        const window = global.display.focus_window;
        let pid = 0;
        let appId = '';
        if (window) {
            const windowPid = window.get_pid();
            pid = windowPid > 0 ? windowPid : 0;
            const app = this._tracker.get_window_app(window);
            // Apps the shell made up for a window without a desktop entry carry no real id.
            if (app && !app.is_window_backed())
                appId = app.get_id() || '';
        }
        this._send(pid, appId);
    }

    _send(pid, appId) {
        Gio.DBus.session.call(SERVICE, PATH, INTERFACE, 'WindowActivated',
            new GLib.Variant('(us)', [pid, appId]), null,
            Gio.DBusCallFlags.NO_AUTO_START, 1000, null,
            (connection, result) => {
                try {
                    connection.call_finish(result);
                    this._retries = 0;
                } catch (e) {
                    // TallyVane is starting (or went away): tell it again what is in front.
                    if (this._present && this._tracker && this._retries > 0 && !this._retryId) {
                        this._retries--;
                        this._retryId = GLib.timeout_add(GLib.PRIORITY_DEFAULT, RETRY_MS, () => {
                            this._retryId = 0;
                            this._report();
                            return GLib.SOURCE_REMOVE;
                        });
                    }
                }
            });
    }
}

/* exported init */
function init() {
    return new FocusReporter();
}
