A read-only rule has expired
Hello %ToName%,

the read-only rule for the area %RoArea% ran until %RoDateTo%
and was removed from the configuration on %Date% at %Time%.

Writers it covered: %RoName% (%RoAddr%)
Senders:            %RoNameFrom% (%RoAddrFrom%)
Addressees:         %RoNameTo% (%RoAddrTo%)
Uplink:             %RoUplinkName% (%RoUplinkAddress%)

The section as it stood:
%RoSection%
