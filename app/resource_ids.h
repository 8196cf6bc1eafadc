#pragma once
// Ids of the resources compiled into moqiao.exe (shared with moqiao.rc).
#define MOQIAO_ICON 1
#define MOQIAO_CROSSHAIR_CURSOR 101
#define MOQIAO_PAYMENT_FIRST 102
#define MOQIAO_PAYMENT_SECOND 103
