// The expected fuse listing of mega8 (`quarnel +mega8 -?`), typed from the documented layout.
#pragma once

inline constexpr const char* mega8_fuse_listing =
    "\nmega8|mega8A signature 1E9307\n"
    "Fuse list\n"
    "  fuse programmed state is 0\n"
    "  use ON or OFF aliases for 1-bit fuses if you not shure\n"
    "\n_LOCK fuse byte:\n"
    "  BLB1       = 0 to  3 - Disable SPM/LPM in boot section (BLB12,BLB11)\n"
    "  BLB0       = 0 to  3 - Disable SPM/LPM in application section (BLB02,BLB01)\n"
    "\n_LOW fuse byte:\n"
    "  BODLEVEL   = 0 or  1 - Brown-out level\n"
    "   (BLEV)\n"
    "  BODEN      = 0 or  1 - Brown-out detect\n"
    "  SUT        = 0 to  3 - Start-up timer\n"
    "  CKSEL      = 0 to  F - Clock selection\n"
    "\n_HIGH fuse byte:\n"
    "  RSTDISBL   = 0 or  1 - Reset pin disable\n"
    "   (RSTDSBL)\n"
    "  WDTON      = 0 or  1 - WDT enable\n"
    "  CKOPT      = 0 or  1 - Clock option\n"
    "  EESAVE     = 0 or  1 - Keep EEPROM @ erase\n"
    "   (EESV)\n"
    "  BOOTSZ     = 0 to  3 - Boot section size\n"
    "   (BSIZ)\n"
    "  BOOTRST    = 0 or  1 - Reset to boot block\n"
    "   (BRST)\n";
