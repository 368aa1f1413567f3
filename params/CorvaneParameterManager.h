#pragma once

#include "params/tw_paramManager.h"

// The plug-in's parameter manager: defines the 29 parameters of CorvaneParameters.h at
// construction and adds the product's display rules (signed percentages, 0..100 amounts) and a
// synchronised LFO Rate that rounds to the nearest tempo division. LFO Sync is LFO Rate's sync
// switch (linkSyncSwitch): the two change together or not at all.
class CorvaneParameterManager : public tw_paramManager {
public:
    CorvaneParameterManager();
    ~CorvaneParameterManager() override;

    void getDisplay(int index, char* text, int length) const override;
    // The text getDisplay would write were the value n (normalised).
    void displayText(int index, float n, char* text, int length) const;
    void formatValue(int index, char* text, float x, int length) const override;
    float toRealSynced(int index, float n, bool synced) const override;

private:
    void displayText(int index, float n, float real, char* text, int length) const;
};
