#include "talk_scenes.h"

namespace vantorix {
namespace {

constexpr int kPilot = 101, kCommander = 104, kWarden = 103, kKeeper = 102, kRival = 105;

constexpr TalkLine kStage1Before[] = {
    {"Sector one is quiet again.;Too quiet for a border post.", kPilot, 0},
    {"You fly a long way from home,;little blade.", kPilot, kWarden},
    {"Who are you? Identify yourself.", kPilot, kWarden},
    {"Warden of the first gate. None pass.;Turn back while your hull is whole.", kPilot, kWarden},
    {"The gate's guns are waking up...", kPilot, 0},
    {"Control, I have contact. Engaging.", kPilot, 0},
    {"Brave words. Let us see the blade;behind them.", kPilot, kWarden},
    {"I did not come this far to turn around.", kPilot, kWarden},
    {"Then come. The fortress will answer.", kPilot, kWarden},
    {"VANTORIX, engaging!", kPilot, kWarden},
};
constexpr TalkLine kStage1After[] = {
    {"Impossible... the fortress has fallen.", kPilot, kWarden},
    {"Your gate is open, Warden.;Where do the others wait?", kPilot, kWarden},
    {"Beyond the storm belt. They will not;be as gentle as I was.", kPilot, kWarden},
    {"Then I will not be gentle either.", kPilot, kWarden},
};
constexpr TalkLine kStage2Before[] = {
    {"The storm belt. Readings are all;over the place.", kPilot, 0},
    {"So you are the one who broke the gate.", kPilot, kRival},
    {"And you are the next one in my way.", kPilot, kRival},
    {"The belt has swallowed fleets.;It will swallow you.", kPilot, kRival},
    {"Fleets did not carry a blade like mine.", kPilot, kRival},
    {"Then show me!", kPilot, kRival},
};
constexpr TalkLine kStage2After[] = {
    {"The storm... is clearing.", kPilot, kRival},
    {"Why do you fight for them?", kPilot, kRival},
    {"For the ones below who never asked;for this war.", kPilot, kRival},
    {"You speak like someone who still;has a home.", kPilot, kRival},
    {"I do. That is why I keep going.", kPilot, kRival},
    {"Go, then. The deep line waits.", kPilot, kRival},
};
constexpr TalkLine kStage3Before[] = {
    {"Intruder in the deep line.;Deploying the mirror guard.", 0, kKeeper},
    {"A voice in the static... who is there?", kPilot, kKeeper},
    {"I keep the deep line. I have kept it;for a hundred years.", kPilot, kKeeper},
    {"Then you have kept it long enough.", kPilot, kKeeper},
    {"Your blade is fast.;My launchers are faster.", kPilot, kKeeper},
    {"We will see.", kPilot, kKeeper},
    {"Every ring I set is a wall.;Every wall closes.", kPilot, kKeeper},
    {"Walls can be cut.", kPilot, kKeeper},
    {"You are stubborn. I like stubborn.", kPilot, kKeeper},
    {"You will not like what comes next.", kPilot, kKeeper},
    {"Enough talk. Here I come!", kPilot, kKeeper},
};
constexpr TalkLine kStage3After[] = {
    {"The walls... all of them... cut.", kPilot, kKeeper},
    {"It is over. Stand down.", kPilot, kKeeper},
    {"A hundred years, and a child with;a blade ends it.", kPilot, kKeeper},
    {"Tell me what lies past the deep line.", kPilot, kKeeper},
    {"The fleet. And the one who commands it.", kPilot, kKeeper},
    {"Then that is where I am going.", kPilot, kKeeper},
};
constexpr TalkLine kStage4Before[] = {
    {"The fleet's battleship is turning;toward me. All guns.", kPilot, 0},
    {"Barrier charged. Blade ready.;Let us end this.", kPilot, 0},
};
constexpr TalkLine kStage4After[] = {
    {"The battleship is going down.;One left.", kPilot, 0},
};
constexpr TalkLine kStage5Before[] = {
    {"So you have come all this way.", kPilot, kCommander},
    {"You command the fleet?", kPilot, kCommander},
    {"I command what is left of it.;You saw to that.", kPilot, kCommander},
    {"Call it off. There is no need for more.", kPilot, kCommander},
    {"Need? Need has nothing to do with it.", kPilot, kCommander},
    {"Then why?", kPilot, kCommander},
    {"Because the core asks it, and I answer.", kPilot, kCommander},
    {"The core is a machine.", kPilot, kCommander},
    {"So am I, in the end.;So are you, pilot.", kPilot, kCommander},
    {"No. I choose where my blade goes.", kPilot, kCommander},
    {"Then choose. Me, or the core.", kPilot, kCommander},
    {"You, if you stand in front of it.", kPilot, kCommander},
    {"I always stand in front of it.", kPilot, kCommander},
    {"Then I am sorry.", kPilot, kCommander},
    {"Do not be. Dance with me.", kPilot, kCommander},
    {"Here I come!", kPilot, kCommander},
};
constexpr const char* kCoreCalls = "Listen. Do you hear it calling?";
constexpr TalkLine kStage5After[] = {
    {"You... won.", kPilot, kCommander},
    {"Are you hurt?", kPilot, kCommander},
    {"Hurt is a strange word for what I am.", kPilot, kCommander},
    {"Then tell me how to reach the core.", kPilot, kCommander},
    {kCoreCalls, kPilot, kCommander},
    {"I hear nothing but my engines.", kPilot, kCommander},
    {"It calls all of us.;It has always called.", kPilot, kCommander},
    {"Then I will answer it, my own way.", kPilot, kCommander},
    {kCoreCalls, kPilot, kCommander},
    {"What was that?!", kPilot, kCommander},
    {"The core is waking.;It knows I have fallen.", kPilot, kCommander},
    {"Then there is no time. Where is it?", kPilot, kCommander},
    {"Straight up. Past the last gate.", kPilot, kCommander},
    {"Come with me.", kPilot, kCommander},
    {"I cannot. My part ends here.", kPilot, kCommander},
    {"Then I will carry it for you.", kPilot, kCommander},
    {"Pilot... thank you.", kPilot, kCommander},
    {"Save that for when I come back.", kPilot, kCommander},
    {"VANTORIX, going up!", kPilot, kCommander},
};
constexpr TalkLine kStage6Before[] = {
    {"The core. It is enormous.", 0, 0},
    {"Every system is screaming at me;to turn back.", 0, 0},
    {"Not today. VANTORIX, engaging!", 0, 0},
};

constexpr int kBossMusic = 7, kFinalMusic = 8;
constexpr int kSeCoreWakes = 24;

constexpr TalkScene kScenes[] = {
    {1, false, true, kStage1Before, 0, 0, kBossMusic},  {1, true, false, kStage1After, 0, 0, 0},
    {2, false, true, kStage2Before, 0, 0, kBossMusic},  {2, true, false, kStage2After, 0, 0, 0},
    {3, false, true, kStage3Before, 0, 0, kBossMusic},  {3, true, false, kStage3After, 0, 0, 0},
    {4, false, true, kStage4Before, 0, 0, kBossMusic},  {4, true, false, kStage4After, 0, 0, 0},
    {5, false, true, kStage5Before, 0, 0, kBossMusic},
    {5, true, false, kStage5After, 9, kSeCoreWakes, 0},
    {6, false, false, kStage6Before, 0, 0, kFinalMusic},
};

}  // namespace

const TalkScene* FindTalkScene(int stage, bool afterBoss) {
    for (const TalkScene& scene : kScenes)
        if (scene.stage == stage && scene.afterBoss == afterBoss) return &scene;
    return nullptr;
}

std::span<const TalkScene> TalkScenes() { return kScenes; }

}  // namespace vantorix
