/* For tests only: opens the shell's Eval and Screenshot to callers on the test's own bus. */
'use strict';

class TestAccess {
    enable() {
        global.context.unsafe_mode = true;
    }

    disable() {
        global.context.unsafe_mode = false;
    }
}

/* exported init */
function init() {
    return new TestAccess();
}
