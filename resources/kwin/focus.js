// Tells TallyVane which window the user activated: the pid of its process and its desktop
// file name, or 0 and "" when no window is active. Loaded into KWin by TallyVane over D-Bus
// and unloaded when TallyVane quits; TallyVane believes only KWin's own connection.
(function () {
    "use strict";

    function report(window) {
        var pid = window && window.pid > 0 ? window.pid : 0;
        var appId = window && window.desktopFileName ? String(window.desktopFileName) : "";
        callDBus("app.tallyvane.TallyVane", "/app/tallyvane/Focus", "app.tallyvane.Focus",
                 "WindowActivated", pid, appId);
    }

    if (workspace.windowActivated) {  // Plasma 6
        workspace.windowActivated.connect(report);
        report(workspace.activeWindow);
    } else {  // Plasma 5
        workspace.clientActivated.connect(report);
        report(workspace.activeClient);
    }
})();
