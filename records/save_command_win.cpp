// The save command (button 1002): appends the last result to the tool's CSV
// record log. Being filled in; for now it only refuses when there is no result.
#include "ui/main_window_win.h"

void saveCommand() {
    if (mainWindow.lastResultText[0] == 0) {
        MessageBoxW(mainWindow.window, wide(u"请先点击“计算”生成结果，再保存记录。"), wide(u"提示"),
                    MB_OK | MB_ICONINFORMATION);
        return;
    }
}
