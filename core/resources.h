// The data files the client reads by fixed names, all below one folder of the working directory.
// The art generator writes them under the same names.
#pragma once

// Every data file the client reads lies below this folder, relative to the working directory.
#define RESOURCE_DIR "Tavrel.app/Contents/Resources/"

// File names within RESOURCE_DIR. Maps name their own tile sets; the first map is START_MAP.
#define CONFIG_NAME "client.cfg"
#define SPRITE_SHEET_NAME "Hero 1.tga"
#define FONT_NAME "font.tga"
#define CHAT_PANEL_NAME "chat.tga"
